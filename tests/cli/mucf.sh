# mucf end to end: help, command-line faults, the water example on xtc, and
# identical result layout for both files.
W=$SRC/examples/water

run 0 mucf -help
same "long help, line 14" "$(printf '%s\n' "$OUT" | sed -n 14p)" "            -gap  : gap between two configurations in <CRD/XTC-file>,"
run 2 mucf -x
same "short help" "$OUT" "mucf: calc dipole-dipole reorientation time correlation functions from CRD-data
For help type: mucf -help"
run 2 mucf -time 1 -tmax -3
contains "negative tmax" "$OUT" " MUCF ERROR: Syntax error in command-line"
run 2 mucf -time 1 -sys x
contains "tmax missing" "$OUT" " MUCF ERROR: -tmax has to be specified"

run 0 mucf -sys "$W/water.sys" -gin "$W/water.gro" -xtc "$W/water_250.xtc" -time 0.02 -tmax 50 -tgap 5 -sgap 2 -gap 2
contains "summary" "$OUT" "              Configurations:  125
         Molecule types found:  1
 
 Molecules....
  1 1
  2 1"
check "p1 lags" [ "$(wc -l < mucf_p1.dat)" -eq 11 ]
check "p2 lags" [ "$(wc -l < mucf_p2.dat)" -eq 11 ]
same "p1 lag 0" "$(head -1 mucf_p1.dat)" "    0.00000E+00    0.10000E+01"
# -gap 2 doubles the time step
same "p1 last time" "$(tail -1 mucf_p1.dat | cut -c1-15)" "    0.20000E+01"
check "only the result files are written" [ "$(ls | tr '\n' ' ')" = "mucf_p1.dat mucf_p2.dat " ]
check "no NaN" test -z "$(grep -i 'nan\|inf' mucf_p1.dat mucf_p2.dat)"

# ---- no result file is one of the inputs: refused before anything is written
cp "$W/water.sys" w.sys
rm -f mucf_p1.dat mucf_p2.dat && ln -s w.sys mucf_p2.dat
run 1 mucf -sys w.sys -gin "$W/water.gro" -xtc "$DATA/xtc/water_p1000.xtc" -time 0.02 -tmax 5
contains "link to the system file" "$OUT" ' MUCF ERROR: the result file "mucf_p2.dat" is the input file "w.sys";'
check "system file untouched" cmp -s w.sys "$W/water.sys"
check "no result written" test ! -e mucf_p1.dat
