#!/usr/bin/env bash
# The charge-fit chain on formaldehyde: potential points in free format ->
# espformat -> chgfit -> respconv both ways -> espview scene (rendered with
# POV-Ray when it is installed); vdwsurf writes the surface-program input.
# usage: examples/esp/run.sh [bin-dir] [output-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "${1:-$here/../../build/bin}" && pwd)
out=${2:-$here/../../build/demo-esp}
mkdir -p "$out"
cd "$out"
echo "== espformat < formaldehyde.esp > formaldehyde.dat   (output in $(pwd))"
"$bin/espformat" < "$here/formaldehyde.esp" > formaldehyde.dat
head -n 3 formaldehyde.dat
echo "== chgfit < formaldehyde.dat"
"$bin/chgfit" < formaldehyde.dat > chgfit.log
grep -E "Iterationsschritt" chgfit.log | tail -n 1
tail -n 4 chgfit.log
echo "-- esp.chg"
cat esp.chg
echo "== respconv + esp.chg > charges.txt; respconv - charges.txt > back.chg"
"$bin/respconv" + esp.chg > charges.txt
cat charges.txt
"$bin/respconv" - charges.txt > back.chg
cmp esp.chg back.chg && echo "-- back.chg is identical to esp.chg"
echo "== espview formaldehyde.dat esp.chg scene.pov 30 75 70 1 -60 60"
"$bin/espview" formaldehyde.dat esp.chg scene.pov 30 75 70 1 -60 60 | sed -n '4,15p'
echo "== vdwsurf 1.0 5 < formaldehyde.atoms > surface.inp"
"$bin/vdwsurf" 1.0 5 < "$here/formaldehyde.atoms" > surface.inp
cat surface.inp
if command -v povray > /dev/null; then
  povray +Iscene.pov +Oscene.png +W480 +H360 +A -D > povray.log 2>&1
  echo "== picture: $(pwd)/scene.png"
else
  echo "== povray not installed: scene not rendered"
fi
