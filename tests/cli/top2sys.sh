# top2sys against GROMACS: boxes built with gmx tools from the force fields
# of the installed GROMACS (OPLS-AA ethanol and methanol in SPC/E water; an
# AMBER dipeptide in TIP3P water), read back through gmx grompp and gmx dump,
# and rotcf/mucf on a gmx mdrun trajectory against numpy. GROMACS and numpy
# are required: without them the test fails.
PEER="/usr/bin/python3 $SRC/tests/cli/gmx_peer.py"
check "gmx is installed" command -v gmx
check "numpy is installed" /usr/bin/python3 -c "import numpy"

gmx_quiet() { gmx -quiet "$@" > gmx.log 2>&1 || { echo "FAIL: gmx $*"; cat gmx.log | tail -20; TVL_FAILS=$((TVL_FAILS + 1)); }; }

# ---- help and usage ----
run 0 top2sys -h
contains "help" "$OUT" "usage: top2sys [-I dir]... [-D NAME[=value]]... [-vector MOLTYPE A1 A2 A3 A4]..."
run 0 top2sys --version
run 2 top2sys a.top b.gro
contains "three files" "$OUT" " ERROR: give a topology, a GRO file and a name"
run 2 top2sys -vector SOL OW HW1 a.top b.gro c
run 2 top2sys -x a.top b.gro c
contains "unknown option" "$OUT" " ERROR: unknown option -x"
run 2 top2sys -I "$(printf 'd%.0s' $(seq 200))" a.top b.gro c
contains "an option's value is an argument too" "$OUT" " ERROR: argument has 200 characters"
run 1 top2sys missing.top b.gro c
same "missing topology" "$OUT" ' ERROR: Cannot read topology file "missing.top"'

# ---- an OPLS-AA mixture: 8 ethanol, 8 methanol, SPC/E water ----
cat > eth.gro <<'EOF'
ethanol
    9
    1ETH      C    1   0.000   0.000   0.000
    1ETH      H    2  -0.039  -0.102   0.000
    1ETH      H    3  -0.039   0.051  -0.088
    1ETH      H    4  -0.039   0.051   0.088
    1ETH      C    5   0.153   0.000   0.000
    1ETH      H    6   0.191  -0.051   0.088
    1ETH      H    7   0.191  -0.051  -0.088
    1ETH     OA    8   0.200   0.133   0.000
    1ETH     HO    9   0.294   0.131   0.000
   1.00000   1.00000   1.00000
EOF
cat > met.gro <<'EOF'
methanol
    6
    1MET      C    1   0.153   0.000   0.000
    1MET      H    2   0.191  -0.051   0.088
    1MET      H    3   0.191  -0.051  -0.088
    1MET      H    4   0.044   0.000   0.000
    1MET     OA    5   0.200   0.133   0.000
    1MET     HO    6   0.294   0.131   0.000
   1.00000   1.00000   1.00000
EOF
gmx_quiet insert-molecules -ci eth.gro -nmol 8 -box 2.2 2.2 2.2 -o a.gro -seed 1
gmx_quiet insert-molecules -f a.gro -ci met.gro -nmol 8 -o b.gro -seed 2
gmx_quiet solvate -cp b.gro -cs spc216.gro -o conf.gro
nsol=$(grep -c "SOL     OW" conf.gro)
cat > topol.top <<EOF
#include "oplsaa.ff/forcefield.itp"
#include "oplsaa.ff/ethanol.itp"
#include "oplsaa.ff/methanol.itp"
#include "oplsaa.ff/spce.itp"
[ system ]
ethanol and methanol in water
[ molecules ]
ETH 8
MET 8
SOL $nsol
EOF
cat > md.mdp <<'EOF'
integrator = md
nsteps = 0
cutoff-scheme = Verlet
coulombtype = reaction-field
EOF
run 0 top2sys -vector SOL OW HW1 OW HW2 -vector MET C OA OA HO topol.top conf.gro mix
contains "summary" "$OUT" " top2sys: mix.sys and mix.str: 8 site types, 3 molecule types, $((nsol + 16)) molecules, $((3 * nsol + 120)) sites"
gmx_quiet grompp -f md.mdp -c conf.gro -p topol.top -o run.tpr -maxwarn 0
gmx -quiet dump -s run.tpr > tpr.txt 2> gmx.log
check "OPLS mixture: charges, masses, molecules and terms as grompp has them" $PEER topology tpr.txt mix.sys mix.str
run 0 syscheck mix.sys
contains "the analysers' reader takes it" "$OUT" "Molecule types: 3"

# -D as grompp's define: flexible water has bonds and an angle, no settles
run 0 top2sys -DFLEXIBLE topol.top conf.gro flex
contains "flexible water" "$(sed -n '/label sol/,/end{molecule}/p' flex.sys)" "harmonic 1 2 3450 1"
printf 'define = -DFLEXIBLE\n' >> md.mdp
gmx_quiet grompp -f md.mdp -c conf.gro -p topol.top -o flex.tpr -maxwarn 0
gmx -quiet dump -s flex.tpr > flex.txt 2> gmx.log
check "flexible water as grompp has it" $PEER topology flex.txt flex.sys flex.str

# rotcf and mucf on a short gmx mdrun run of the mixture, read as mdrun
# wrote it (molecules broken across the box); numpy computes the same curves
# from the frames gmx trjconv -pbc mol made whole
sed '/^define/d; s/= md$/= steep/; s/nsteps = 0/nsteps = 50/' md.mdp > em.mdp
cat > run.mdp <<'EOF'
integrator = md
dt = 0.001
nsteps = 300
nstxout-compressed = 10
cutoff-scheme = Verlet
coulombtype = reaction-field
constraints = h-bonds
tcoupl = v-rescale
tc-grps = System
tau-t = 0.1
ref-t = 300
gen-vel = yes
gen-temp = 300
gen-seed = 7
EOF
mdrun() { "$SRC/scripts/gmx_mdrun" gmx -nt 1 "$@" > mdrun.log 2>&1 || { tail -20 mdrun.log; return 1; }; }
gmx_quiet grompp -f em.mdp -c conf.gro -p topol.top -o em.tpr -maxwarn 0
check "energy minimisation" mdrun -s em.tpr -deffnm em
gmx_quiet grompp -f run.mdp -c em.gro -p topol.top -o md.tpr -maxwarn 0
check "a short md run" mdrun -s md.tpr -deffnm md
gmx -quiet dump -f md.xtc > raw.txt 2> gmx.log
check "mdrun writes molecules broken across the box" $PEER broken tpr.txt raw.txt
echo 0 | gmx -quiet trjconv -s md.tpr -f md.xtc -pbc mol -o whole.xtc > gmx.log 2>&1
gmx -quiet dump -f whole.xtc > xtc.txt 2> gmx.log
run 0 rotcf -sys mix.sys -in mix.str -xtc md.xtc -time 0.01 -tmax 12
run 0 mucf -sys mix.sys -in mix.str -xtc md.xtc -time 0.01 -tmax 12
check "rotcf and mucf against numpy" $PEER curves tpr.txt xtc.txt 12 SOL:0,1,0,2 MET:0,4,4,5

# ---- an AMBER dipeptide from pdb2gmx in TIP3P water ----
cat > aa.pdb <<'EOF'
ATOM      1  N   ALA A   1       0.000   1.400   0.000  1.00  0.00           N
ATOM      2  CA  ALA A   1       0.000   0.000   0.000  1.00  0.00           C
ATOM      3  C   ALA A   1       1.500   0.000   0.000  1.00  0.00           C
ATOM      4  O   ALA A   1       2.100   1.050   0.000  1.00  0.00           O
ATOM      5  CB  ALA A   1      -0.700  -0.800   1.100  1.00  0.00           C
ATOM      6  N   ALA A   2       2.100  -1.150   0.000  1.00  0.00           N
ATOM      7  CA  ALA A   2       3.550  -1.300   0.000  1.00  0.00           C
ATOM      8  C   ALA A   2       4.050  -2.700   0.300  1.00  0.00           C
ATOM      9  O   ALA A   2       3.300  -3.650   0.400  1.00  0.00           O
ATOM     10  CB  ALA A   2       4.100  -0.800  -1.300  1.00  0.00           C
ATOM     11  OXT ALA A   2       5.250  -2.850   0.400  1.00  0.00           O
END
EOF
gmx_quiet pdb2gmx -f aa.pdb -ff amber99sb-ildn -water tip3p -o aa.gro -p aa.top -ignh
gmx_quiet editconf -f aa.gro -o aabox.gro -box 2.4 2.4 2.4
gmx_quiet solvate -cp aabox.gro -cs spc216.gro -o aasol.gro -p aa.top
sed -i 's/^define.*//' md.mdp
run 0 top2sys -DPOSRES aa.top aasol.gro pep
contains "position restraints skipped" "$OUT" " WARNING: [ position_restraints ] at posre.itp, line"
contains "label from the chain" "$(cat pep.sys)" "label protein_ch"
gmx_quiet grompp -f md.mdp -c aasol.gro -p aa.top -o pep.tpr -maxwarn 0
gmx -quiet dump -s pep.tpr > pep.txt 2> gmx.log
check "AMBER dipeptide: periodic and improper dihedrals as grompp has them" $PEER topology pep.txt pep.sys pep.str

# ---- refusals: nothing is written ----
mkdir bad && cd bad || exit 1
sed '3s/    C /    X /' ../conf.gro > renamed.gro
run 1 top2sys ../topol.top renamed.gro out
same "atom name mismatch" "$OUT" " ERROR: molecule 1 (ETH), atom 1: C in ../topol.top, X in renamed.gro (line 3)"
head -n -2 ../conf.gro > short.gro
tail -1 ../conf.gro >> short.gro
run 1 top2sys ../topol.top short.gro out
contains "count mismatch" "$OUT" " ERROR: short.gro, line"
awk 'NR==2{$0=sprintf("%5d", $1-1)}1' short.gro > fewer.gro
run 1 top2sys ../topol.top fewer.gro out
same "atom counts" "$OUT" " ERROR: fewer.gro holds $((3 * nsol + 119)) atoms, the molecules of ../topol.top $((3 * nsol + 120))"
run 1 top2sys -vector SOL OW HW1 OW HX ../topol.top ../conf.gro out
same "vector atom" "$OUT" " ERROR: -vector: molecule type SOL has no atom named HX"
run 1 top2sys -vector ETH C OA OA HO ../topol.top ../conf.gro out
same "ambiguous vector atom" "$OUT" " ERROR: -vector: atom name C stands for atoms 1 and 5 of molecule type ETH"
mkdir dir.str
run 1 top2sys ../topol.top ../conf.gro dir
check "no system file without its structure file" [ ! -e dir.sys ]
rmdir dir.str
cp ../topol.top in.sys
run 1 top2sys in.sys ../conf.gro in
same "output is an input" "$OUT" " ERROR: the output in.sys is an input"
check "input kept" cmp -s in.sys ../topol.top
# an included file that gives no line of its own is an input all the same
printf '#define NOTHING\n' > defs.str
{ printf '#include "defs.str"\n'; cat ../topol.top; } > withdefs.top
run 1 top2sys withdefs.top ../conf.gro defs
same "an include that gives no line" "$OUT" " ERROR: the output defs.str is an input"
check "include kept" [ "$(cat defs.str)" = "#define NOTHING" ]
rm withdefs.top defs.str
check "nothing written" [ -z "$(ls | grep -v -e '\.gro$' -e '^in.sys$')" ]
cd .. || exit 1
