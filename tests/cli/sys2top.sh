# sys2top against GROMACS: every written topology passes gmx grompp without
# warnings, and a double-precision rerun in vacuum gives, term by term, the
# energies of an independent evaluation of the system file
# (sys_energy.py). Then help, usage and the refusals.
PY=/usr/bin/python3
EVAL="$SRC/tests/cli/sys_energy.py"
FF="$SRC/examples/topgen/small.ff"
for tool in gmx gmx_d; do
  check "$tool is installed" command -v "$tool" || finish
done
check "numpy is installed" "$PY" -c "import numpy" || finish

# mdrun through scripts/gmx_mdrun, which needs qemu-user on a processor
# that hides its rdtscp flag
grep -qw rdtscp /proc/cpuinfo || check "qemu-x86_64 is installed" command -v qemu-x86_64 || finish
mdrun_d() { bash "$SRC/scripts/gmx_mdrun" gmx_d "$@"; }

TERMS='Bond\nAngle\nProper-Dih.\nImproper-Dih.\nLJ-14\nCoulomb-14\nLJ-(SR)\nCoulomb-(SR)\n\n'

# peer <system-file> [<structure-file>]: sys2top, grompp of the files as
# written, the vacuum rerun and the comparison.
peer() {
  local sys=$1 str=${2:-} name
  name=$(basename "$sys" .sys)${str:+_str}
  run 0 sys2top "$sys" ${str:+"$str"} "$name" || return
  # cut-offs of at most 0.8 nm that fit the box, and plain Coulomb: a
  # molecule with a net charge (some topgen outputs) is no error of ours
  tail -1 "$name.gro" | awk '{ m = $1; if ($2 < m) m = $2; if ($3 < m) m = $3; rc = m * 0.4; if (rc > 0.8) rc = 0.8
    printf "integrator = md\ndt = 0.0005\nnsteps = 0\ncutoff-scheme = Verlet\ncoulombtype = Cut-off\n"
    printf "rcoulomb = %.3f\nrvdw = %.3f\n", rc, rc }' > plain.mdp
  gmx grompp -f plain.mdp -c "$name.gro" -p "$name.top" -o "$name.tpr" -maxwarn 0 > "$name.grompp" 2>&1
  check "$name: grompp accepts the files" [ $? -eq 0 ] || { tail -30 "$name.grompp"; return; }
  check "$name: no grompp warning" [ "$(grep -c '^WARNING' "$name.grompp")" -eq 0 ] || grep -A4 '^WARNING' "$name.grompp"
  "$PY" "$EVAL" vacuum "$name.gro" vac.gro vac.mdp &&
    gmx_d grompp -f vac.mdp -c vac.gro -p "$name.top" -o vac.tpr > vac.grompp 2>&1 &&
    mdrun_d -s vac.tpr -rerun vac.gro -nt 1 -ntomp 1 -pin off -deffnm vac > vac.mdrun 2>&1 &&
    printf "$TERMS" | gmx_d energy -f vac.edr -o vac.xvg > vac.energy 2>&1
  check "$name: rerun" [ $? -eq 0 ] || { tail -20 vac.grompp vac.mdrun vac.energy; return; }
  check "$name: energies term by term" "$PY" "$EVAL" compare "$sys" vac.gro vac.xvg > "$name.terms" ||
    cat "$name.terms"
  rm -f vac.* ./\#*
}

# ---- the examples, a mixture of every mapped term, a structure file ----
peer "$SRC/examples/ethanol.sys"
peer "$SRC/examples/spce.sys"
peer "$SRC/examples/water/water.sys"
peer "$DATA/interop/mixture.sys"
peer "$SRC/examples/spce.sys" "$SRC/examples/waters.str"
same "structure file: its molecules" "$(sed -n '/molecules/,$p' spce_str.top | tail -1)" "water      5"
same "structure file: first atom" "$(sed -n 3p spce_str.gro)" "    1water   ow    1   0.231   0.318   0.412  0.3342  0.4652  0.4394"

# ---- topgen output of the test molecules, plain and with -opls -fix ----
for mol in aceticacid benzene cyclopropane dipeptide ethanol; do
  run 0 topgen -ff "$FF" -mol2 "$DATA/topgen/$mol.mol2" -label "$mol" && printf '%s\n' "$OUT" > "tg_$mol.sys"
  peer "tg_$mol.sys"
done
run 0 topgen -ff "$FF" -mol2 "$DATA/topgen/dipeptide.mol2" -label pept -opls -fix -build && printf '%s\n' "$OUT" > pept.sys
peer pept.sys

# ---- help, usage and refusals: exit status, message, nothing written ----
run 0 sys2top -h
contains "help" "$OUT" "usage: sys2top <system-file> [<structure-file>] <name>"
run 0 sys2top --version
same "version" "$OUT" " TARVELO Version: 4.16"
for args in "" "one" "a b c d" "-x a b"; do
  run 2 sys2top $args
  contains "usage for '$args'" "$OUT" "usage: sys2top"
done
run 2 sys2top "$(printf 'x%.0s' $(seq 1 129))" out
contains "long argument" "$OUT" "129 characters"
cp "$SRC/examples/ethanol.sys" e.top
run 1 sys2top e.top e
same "output that is an input" "$OUT" ' ERROR: the output "e.top" is an input. Nothing written.'
run 1 sys2top nothing.sys out
same "missing system file" "$OUT" 'ERROR: Cannot read SYSTEM-file "nothing.sys"'
run 1 sys2top e.top nothing.str out
same "missing structure file" "$OUT" ' ERROR: Cannot read STRUCTURE-file "nothing.str"'
sed 's/^    harmonic 1 2 /    morse 1 2 1.5 /' "$SRC/examples/ethanol.sys" > morse.sys
run 1 sys2top morse.sys out
same "Morse bond refused" "$OUT" ' ERROR: molecule type 1 (ethanol), Morse bond 1 (sites 1 2):
        the units of Morse bonds are not settled, so GROMACS gets none
        Nothing written.'
mkdir blocked.gro
run 1 sys2top e.top blocked
contains "output that cannot be created" "$OUT" 'cannot create file "blocked.gro"'
same "nothing written" "$(ls out.* blocked.top e.gro 2>&1 | grep -c 'No such file')" 3
check "the folder in the way is kept" [ -d blocked.gro ]

# ---- the demo's GROMACS run, shortened to 1000 steps ----
run 0 topgen -ff "$FF" -tmf "$SRC/examples/topgen/ethanol.tmf" -label ethanol -build && printf '%s\n' "$OUT" > demo.sys
DEMO=$(bash "$SRC/examples/topgen/gromacs.sh" demo.sys "$BIN" "$WORK/gdemo" 1000 2>&1)
same "demo status" "$?" 0
contains "demo: grompp without warnings" "$DEMO" "   no warnings"
check "demo: energies every 50 fs" [ "$(grep -cv '^[#@]' gdemo/energy.xvg)" -eq 11 ]

# ---- round trip: top2sys reads the written files back into the same
# sites, parameters and terms (1e-6 relative; coordinates to the GRO file's
# 0.001 nm); proper terms of force constant 0 are no terms ----
for sys in "$SRC/examples/ethanol.sys" "$SRC/examples/spce.sys" "$SRC/examples/water/water.sys" \
           "$DATA/interop/mixture.sys" tg_*.sys pept.sys; do
  name=$(basename "$sys" .sys)
  run 0 top2sys "$name.top" "$name.gro" "back_$name" || continue
  check "$name: round trip" "$PY" "$EVAL" same "$sys" "back_$name.sys" > "$name.same" || cat "$name.same"
done
