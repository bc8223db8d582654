#!/usr/bin/env bash
# Takes topgen's ethanol on to GROMACS: sys2top writes the topology and the
# configuration (one molecule in the 10 nm cell of the build section),
# gmx grompp and gmx mdrun run 10 ps of Langevin dynamics at 300 K in that
# box (plain cut-offs of 1.2 nm, so in effect in vacuum), gmx energy takes
# out the dihedral and the potential energy over the run, and gnuplot,
# when installed, draws them into energy.png.
# usage: examples/topgen/gromacs.sh <system-file> [bin-dir] [output-dir] [steps]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sys=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
bin=$(cd "${2:-$here/../../build/bin}" && pwd)
out=${3:-$here/../../build/demo-gromacs}
steps=${4:-20000}
mkdir -p "$out"
cd "$out"
echo "== sys2top $1 ethanol   (output in $(pwd))"
"$bin/sys2top" "$sys" ethanol
cat > md.mdp <<MDP
integrator    = sd
dt            = 0.0005
nsteps        = $steps
tc-grps       = System
tau-t         = 1.0
ref-t         = 300
gen-vel       = yes
gen-temp      = 300
gen-seed      = 1
nstenergy     = 100
nstcalcenergy = 100
nstxout-compressed = 100
cutoff-scheme = Verlet
coulombtype   = Cut-off
rcoulomb      = 1.2
rvdw          = 1.2
MDP
echo "== gmx grompp -f md.mdp -c ethanol.gro -p ethanol.top -o md.tpr"
gmx grompp -f md.mdp -c ethanol.gro -p ethanol.top -o md.tpr > grompp.log 2>&1
grep -E "^(WARNING|ERROR)" grompp.log || echo "   no warnings"
echo "== gmx mdrun -s md.tpr -deffnm md: $steps steps of 0.5 fs"
bash "$here/../../scripts/gmx_mdrun" gmx -s md.tpr -deffnm md -nt 1 -pin off > mdrun.log 2>&1
printf 'Proper-Dih.\nPotential\n\n' | gmx energy -f md.edr -o energy.xvg > energy.log 2>&1
echo "-- energy.xvg (time/ps, proper dihedrals, potential energy, kJ/mol)"
grep -v '^[#@]' energy.xvg | head -n 4
grep -E "^(Proper Dih|Potential)" energy.log
if command -v gnuplot > /dev/null; then
  gnuplot -e "set terminal png size 800,420; set output 'energy.png'; set xlabel 't / ps';
    set ylabel 'E / kJ/mol'; set grid; set title 'Ethanol at 300 K in GROMACS, parameters from topgen';
    plot 'energy.xvg' using 1:2 with lines title 'proper dihedrals', '' using 1:3 with lines title 'potential'"
  echo "== picture: $(pwd)/energy.png"
else
  echo "== gnuplot not installed: no picture drawn"
fi
