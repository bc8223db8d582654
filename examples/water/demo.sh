#!/usr/bin/env bash
# Runs rotcf and mucf on the water box (1652 SPC/E molecules, GRO start,
# 250 xtc frames 20 fs apart), shows the first lines of every result file
# and, when gnuplot is installed, draws them into tcf.png.
# usage: examples/water/demo.sh [bin-dir] [output-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "${1:-$here/../../build/bin}" && pwd)
out=${2:-$here/../../build/demo-water}
mkdir -p "$out"
cd "$out"
common=(-sys "$here/water.sys" -gin "$here/water.gro" -xtc "$here/water_250.xtc" -time 0.02 -tmax 200 -tgap 2)
echo "== rotcf ${common[*]}   (output in $(pwd))"
"$bin/rotcf" "${common[@]}" > rotcf.log
grep -E "Configurations|Vectors" rotcf.log
echo "-- rotcf_p1p2.dat (time/ps, P1, P2)"
head -n 6 rotcf_p1p2.dat
echo "== mucf ${common[*]}"
"$bin/mucf" "${common[@]}" > mucf.log
grep -E "Configurations|Molecule types" mucf.log
echo "-- mucf_p1.dat (time/ps, P1 of type 1)"
head -n 6 mucf_p1.dat
echo "-- mucf_p2.dat (time/ps, P2 of type 1)"
head -n 6 mucf_p2.dat
if command -v gnuplot > /dev/null; then
  gnuplot -e "out='tcf.png'" "$here/../../scripts/plot.gnuplot"
  echo "== picture: $(pwd)/tcf.png"
else
  echo "== gnuplot not installed: no picture drawn"
fi
