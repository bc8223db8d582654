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
