# topgen reading its inputs: help and banner, -debug on both example force
# fields with every fixture molecule (mol2, HIN) and the TMF and OFF examples.
EX="$SRC/examples/topgen"
M="$DATA/topgen"
mols="ethanol aceticacid benzene cyclopropane dipeptide"

# ---- help, banner, argument errors ------------------------------------------
run 0 topgen -help
same "help" "$(printf '%s\n' "$OUT" | sed -n 2p)" "  TOPGEN - Generate a Molecular Forcefield"
run 0 topgen -ff x -help
run 0 topgen --version
run 2 topgen -ff x
same "banner" "$OUT" " topgen: generates TARVELO system files based on the TARVELO forcefield format
 For help type: topgen -help"
run 2 topgen -ff -off x.off -auto
same "no force field" "$OUT" " ERROR : check [-ff -lib] Options"
run 2 topgen -ff "$EX/small.ff" -hin -auto -debug
same "no molecule" "$OUT" " ERROR : check [-hin -tmf -off -mol2] Options"
run 2 topgen -ff "$EX/small.ff" -mol2 "$M/ethanol.mol2" -hin "$M/ethanol.hin"
contains "two molecule files" "$OUT" "  Syntax:  topgen"
run 2 topgen -ff "$EX/small.ff" -mol2 "$M/ethanol.mol2" -label "end{"
run 1 topgen -ff missing.ff -mol2 "$M/ethanol.mol2" -debug
same "missing force field" "$OUT" ' ERROR: cannot open file "missing.ff": No such file or directory'
run 1 topgen -ff "$EX/small.ff" -tmf missing.tmf -debug
same "missing molecule" "$OUT" ' ERROR: cannot open file "missing.tmf": No such file or directory'

# ---- every force field, every molecule --------------------------------------
# (TMF and OFF forms of every fixture are read by the unit tests.)
molecule_part() { printf '%s\n' "$1" | sed -n '/###MOLECULE/,$p'; }
atoms_part() { molecule_part "$1" | sed '/#BONDS/,$d'; }
for m in $mols; do
  sum_before=$(cat "$M/$m.mol2" "$M/$m.hin" | cksum)
  for ff in "-ff $EX/small.ff" "-lib $EX/small.lib"; do
    # shellcheck disable=SC2086
    run 0 topgen $ff -mol2 "$M/$m.mol2" -debug -label "$m" || continue
    ref=$OUT
    # shellcheck disable=SC2086
    run 0 topgen $ff -hin "$M/$m.hin" -debug
    same "$m hin atoms = mol2 atoms" "$(atoms_part "$OUT")" "$(atoms_part "$ref")"
    same "$m hin bonds" "$(molecule_part "$OUT" | grep -c ' :  ')" "$(molecule_part "$ref" | grep -c ' :  ')"
  done
  same "$m inputs unchanged" "$(cat "$M/$m.mol2" "$M/$m.hin" | cksum)" "$sum_before"
done
run 0 topgen -ff "$EX/small.ff" -mol2 "$M/ethanol.mol2" -debug
ref=$(molecule_part "$OUT")
run 0 topgen -ff "$EX/small.ff" -tmf "$EX/ethanol.tmf" -debug
contains "own force field read" "$OUT" " #NSITES:  7"
same "tmf = mol2" "$(molecule_part "$OUT")" "$ref"
run 0 topgen -lib "$EX/small.lib" -off "$EX/ethanol.off" -debug
same "library labels" "$(printf '%s\n' "$OUT" | grep -c '^# Found label :!entry.smallparm.parm.')" "4"
off=$(molecule_part "$OUT")
run 0 topgen -lib "$EX/small.lib" -mol2 "$M/ethanol.mol2" -debug
same "off = mol2" "$off" "$(molecule_part "$OUT")"

# ---- a molecule without bonds, endless inputs ---------------------------------
printf 'c.3 0 0 0 0\nh 1 0 0 0\n' > nobond.tmf
run 1 topgen -ff "$EX/small.ff" -tmf nobond.tmf
same "no connectivity" "$OUT" " ERROR: No connectivity has been detected !
        To generate a connectivity graph automatically use the
        -auto option"
for opt in -ff -lib; do
  TVL_CHECKS=$((TVL_CHECKS + 1))
  timeout 60 "$BIN/topgen" $opt /dev/zero -mol2 "$M/ethanol.mol2" -debug > zero.out 2>&1 < /dev/null
  st=$?
  [ "$st" = 1 ] || { echo "FAIL: topgen $opt /dev/zero -> status $st"; TVL_FAILS=$((TVL_FAILS + 1)); }
done
for opt in -tmf -mol2 -off -hin; do
  TVL_CHECKS=$((TVL_CHECKS + 1))
  timeout 60 "$BIN/topgen" -ff "$EX/small.ff" $opt /dev/zero -debug > zero.out 2>&1 < /dev/null
  st=$?
  [ "$st" = 1 ] || { echo "FAIL: topgen $opt /dev/zero -> status $st"; TVL_FAILS=$((TVL_FAILS + 1)); }
done
contains "endless molecule file" "$(cat zero.out)" "is longer than 128 columns"

# ---- values refused where they are read, before anything is written ----------
# (file, line, value): negative sigma, epsilon or 1-4 scale, a barrier over a divisor or a
# unit conversion that overflows
while IFS='|' read -r kind from to message; do
  [ "$kind" = ff ] && src="$EX/small.ff" || src="$EX/small.lib"
  sed "s/$from/$to/" "$src" > "bad.$kind"
  run 1 topgen "-$kind" "bad.$kind" -mol2 "$M/ethanol.mol2"
  same "$message" "$(printf '%s\n' "$OUT" | grep -v '^# Found label' | head -1)" " ERROR: file \"bad.$kind\", $message"
  same "$message: message only" "$(printf '%s\n' "$OUT" | grep -vc '^# Found label')" 2
done <<'TABLE'
ff|^  h       2.6495 |  h      -2.6495 |line 33: sigma (word 2) is negative: -2.6495
ff| 105.877| -105.877|line 32: epsilon (word 3) is negative: -105.877
ff|^!end_14_interactions|  o.3 h 3.0 -5 0.5\n&|line 101: epsilon (word 4) is negative: -5.0
ff|interactions       0.5|interactions       -0.5|line 13: the 1-4 scale (word 2) is negative: -0.5
ff| 9   5.858| 1e-320 5.858|line 82: the barrier divided by the divisor is not a finite number: Infinity
lib| 0.1094 1.9080| 0.1094 -1.9080|line 4: r* (word 4) is negative: -1.908
lib| 0.2104 | -0.2104 |line 5: epsilon (word 3) is negative: -0.2104
lib| 303.1 | 1.0e308 |line 8: the force constant in kJ/mol is not a finite number: Infinity
TABLE

# ---- long table headers of LEAP libraries and OFF files ----------------------
# headers list their columns after the unit name: cut at 128 columns, they
# read as before; refused only when the cut would reach the first word (the
# key), and a long row is refused as ever
run 0 topgen -lib "$EX/small.lib" -off "$EX/ethanol.off" -debug
short=$(printf '%s\n' "$OUT" | grep -v '^# Found')
sed 's/SMALLPARM/A_LONGER_UNIT_NAME_OF_PARAMETERS/' "$EX/small.lib" > long.lib
sed 's/ETH/A_LONGER_UNIT_NAME_OF_THE_ETHANOL_MOLECULE/' "$EX/ethanol.off" > long.off
run 0 topgen -lib long.lib -off long.off -debug
same "long headers read" "$(printf '%s\n' "$OUT" | grep -v '^# Found')" "$short"
same "long headers: tables found" "$(printf '%s\n' "$OUT" | grep -c '^# Found label :!entry.a_longer_unit_name_of_parameters.parm.')" 4
u=$(printf 'u%.0s' $(seq 120))
sed "s/SMALLPARM/$u/" "$EX/small.lib" > key.lib
sed '4s/$/ 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0/' \
  "$EX/ethanol.off" > row.off
for c in "key.lib -off long.off|key.lib|3" "long.lib -off row.off|row.off|4"; do
  IFS='|' read -r args file line <<< "$c"
  # shellcheck disable=SC2086
  run 1 topgen -lib $args -debug
  same "$file: refused" "$(printf '%s\n' "$OUT" | grep -v '^# Found')" " ERROR: file \"$file\", line $line is longer than 128 columns."
done

# ---- the status dump refuses what does not fit its fields -------------------
for c in "12345678.5 0 0|12345678.5|F12.4" "1e300 0 0|1.0E+300|F12.4" "100000 0 0|100000.0|F10.5"; do
  IFS='|' read -r xyz value field <<< "$c"
  printf '%s\n' 'c.3 0 0 0 0' "c.3 $xyz 0" '!con 1 2' > far.tmf
  run 1 topgen -ff "$EX/small.ff" -tmf far.tmf -debug
  same "dump: $value" "$(printf '%s\n' "$OUT" | tail -1)" \
    " ERROR: the value $value does not fit the field $field of the status dump"
  same "dump: $value: no asterisks" "$(printf '%s\n' "$OUT" | grep -c '\*')" 0
done

# ---- a file name with a line break stays inside its warning comment ----------
ff=$'small\nff'
{ cat "$EX/small.ff"; printf '!begin_bonds\n!end_bonds\n'; } > "$ff"
run 0 topgen -ff "$ff" -mol2 "$M/ethanol.mol2"
same "warning on one line" "$(printf '%s\n' "$OUT" | head -1)" "# WARNING: file small?ff, line 102: a second block of bonds is ignored"
same "no stray line" "$(printf '%s\n' "$OUT" | grep -c '^ff')" 0

# ---- -auto: two atoms at the same place ----------------------------------------
printf '%s\n' 'c.3 0 0 0 0' 'c.3 1.5 0 0 0' 'h 1 1 0 0' 'h 1.5 0 0 0' > same.tmf
run 1 topgen -ff "$EX/small.ff" -tmf same.tmf -auto
same "atoms at one place" "$OUT" " ERROR: atoms 2 and 4 stand at the same place: bonds cannot be detected from their distance"
