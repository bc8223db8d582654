# topgen -amber on the installed gaff.dat: GAFF types as OpenBabel's obenergy
# lists them, every parameter as ParmEd reads the same files (AMBER's
# precedence), files that syscheck accepts; -sdf, -pdb, -charges, -auto; the
# example with its frcmod. Without gaff.dat, obabel or ParmEd the test fails.
GAFF=$(ls /usr/share/openbabel/*/gaff.dat | head -n 1)
PEER="/usr/bin/python3 $SRC/tests/cli/amber_peer.py"
check "gaff.dat of the OpenBabel library is installed" test -f "$GAFF"
check "obenergy is installed" command -v obenergy
check "ParmEd is installed" /usr/bin/python3 -c "import parmed"

# types as obenergy -ff GAFF -v lists them, one per line
obenergy_types() {
  obenergy -ff GAFF -v "$1" | awk '/^IDX\tTYPE/ { f = 1; next } f && NF == 0 { exit } f { print $2 }'
}
# types of the atoms of a system file: the derived type names without their number
sys_types() {
  sed -n '/^begin{configuration}/,/^end{configuration}/p' "$1" | awk 'NF > 2 { sub(/_[0-9]+$/, "", $1); print $1 }'
}
# charges of the atoms: the derived types' charges in atom order
sys_charges() {
  awk '/^begin{sites}/ { s = 1; next } /^end{sites}/ { s = 0 } s { q[$1] = $2 }
       /^begin{configuration}/ { c = 1; next } /^end{configuration}/ { c = 0 } c { print q[$1] }' "$1"
}

# amber_case <name> <molecule file> <option> [more topgen options]: the
# complete system file with the obenergy types that ParmEd agrees with
amber_case() {
  local name=$1 mol=$2 opt=$3; shift 3
  local frcmods=()
  local a prev=
  for a in "$@"; do
    [ "$prev" = -frcmod ] && frcmods+=("$a")
    prev=$a
  done
  run 0 topgen -amber "$GAFF" -type gaff "$opt" "$mol" -label "$name" "$@" || return
  printf '%s\n' "$OUT" > "$name.sys"
  same "$name: nothing undefined" "$(grep -ci 'not defined' "$name.sys")" 0
  same "$name: types as obenergy's" "$(sys_types "$name.sys")" "$(obenergy_types "$mol")"
  run 0 syscheck "$name.sys"
  check "$name: every term as ParmEd's" $PEER "$name.sys" "$GAFF" "${frcmods[@]}"
}

for m in aspirin ibuprofen paracetamol; do
  amber_case "$m" "$DATA/topgen/$m.mol2" -mol2
done
amber_case aspirin_frcmod "$DATA/topgen/aspirin.mol2" -mol2 -frcmod "$DATA/topgen/replace.frcmod"
amber_case ibuprofen_frcmod "$DATA/topgen/ibuprofen.mol2" -mol2 -frcmod "$DATA/topgen/replace.frcmod"
# the frcmod's two-term torsion replaces the file's one, the X-c-c3-X entry is divided by its 3
contains "frcmod terms" "$(cat aspirin_frcmod.sys)" "    proper    1    2    4    5      4.1840      2.0000    180.0000
    proper    1    2    4    5      0.8368      1.0000      0.0000"
contains "frcmod divisor" "$(cat aspirin_frcmod.sys)" "    proper   14    1    2    4      0.4184      3.0000      0.0000"
same "mol2 charges kept" "$(sys_charges aspirin.sys | head -2)" "$(printf '%s\n' 0.033600 0.309200)"

# a mol2 file that already holds GAFF types (as antechamber writes them, here
# in upper case) gives the same file without the typer: types are folded
awk -v types="$(sys_types aspirin.sys | tr '\n' ' ')" '
  BEGIN { n = split(types, t, " ") }
  /^@<TRIPOS>ATOM/ { a = 1; print; next } /^@/ { a = 0 }
  a && NF >= 6 { $6 = toupper(t[++k]) } { print }' "$DATA/topgen/aspirin.mol2" > aspirin_gaff.mol2
run 0 topgen -amber "$GAFF" -mol2 aspirin_gaff.mol2 -label aspirin
same "typed mol2 without -type gaff" "$(printf '%s\n' "$OUT" | sed 1,9d)" "$(sed 1,9d aspirin.sys)"
contains "typed mol2 holds upper-case types" "$(cat aspirin_gaff.mol2)" " C3 "

# -sdf and -pdb through OpenBabel: charges 0
amber_case aspirin_sdf "$DATA/topgen/aspirin.sdf" -sdf
amber_case paracetamol_pdb "$DATA/topgen/paracetamol.pdb" -pdb
same "sdf charges 0" "$(sys_charges aspirin_sdf.sys | sort -u)" "0.000000"

obabel -:"CC(=O)[O-]" --gen3d -O acetate.sdf 2>"$WORK/.obabel"
run 0 topgen -amber "$GAFF" -type gaff -sdf acetate.sdf
contains "formal charge without charges" "$OUT" "# WARNING: the molecule has a formal charge of -1 but its atoms get charge 0"
run 1 topgen -amber "$GAFF" -type gaff -sdf missing.sdf
contains "missing sdf" "$OUT" "ERROR: file \"missing.sdf\": cannot be opened"

# -charges in respconv's free layout, made by respconv from the fixed layout
awk 'BEGIN { for (i = 1; i <= 20; i++) printf "%10.6f%s", (i % 2 ? 0.05 : -0.05), (i % 8 == 0 || i == 20 ? "\n" : "") }' > fixed.chg
run 0 respconv + fixed.chg
printf '%s\n' "$OUT" > free.chg
amber_case paracetamol_charges "$DATA/topgen/paracetamol.pdb" -pdb -charges free.chg
same "charges from -charges" "$(sys_charges paracetamol_charges.sys | sort | uniq -c | awk '{ print $1, $2 }')" \
  "$(printf '%s\n' "10 -0.050000" "10 0.050000")"
printf '%s\n' 2 '1 0.1' '2 -0.1' > two.chg
run 1 topgen -amber "$GAFF" -type gaff -pdb "$DATA/topgen/paracetamol.pdb" -charges two.chg
contains "charge count refused" "$OUT" "the file holds 2 charges, the molecule 20 atoms"

# -auto: the element radii find the file's bonds
run 0 topgen -amber "$GAFF" -type gaff -mol2 "$DATA/topgen/ibuprofen.mol2" -auto
same "-auto bonds" "$(printf '%s\n' "$OUT" | sed -n '/^begin{bonds}/,/^end{bonds}/p' | grep -c harmonic)" 33

# the example: gaff.dat lacks three terms for sulfamethoxazole; its frcmod adds them
EX="$SRC/examples/topgen"
run 0 topgen -amber "$GAFF" -type gaff -mol2 "$EX/sulfamethoxazole.mol2"
same "example without frcmod: undefined terms" "$(printf '%s\n' "$OUT" | grep -ci 'not defined')" 4
amber_case smx "$EX/sulfamethoxazole.mol2" -mol2 -frcmod "$EX/sulfamethoxazole.frcmod"
