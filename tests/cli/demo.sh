# The water demo: runs from any folder, shows the summaries and the first
# result lines, and writes its files only into the folder it is given.
OUT=$(bash "$SRC/examples/water/demo.sh" "$BIN" "$WORK/demo" 2>&1)
same "demo status" "$?" "0"
contains "rotcf summary" "$OUT" "              Configurations:  250
   Equivalent Vectors defined:  1
      Number of Vectors found:  1652"
contains "mucf summary" "$OUT" "         Molecule types found:  1"
contains "first result line" "$OUT" "-- rotcf_p1p2.dat (time/ps, P1, P2)
    0.00000E+00    0.10000E+01    0.10000E+01"
for f in rotcf_p1p2.dat mucf_p1.dat mucf_p2.dat; do
  check "$f holds the lags 0, 2, ..., 200" [ "$(wc -l < "$WORK/demo/$f")" -eq 101 ]
done
check "nothing written beside the output folder" [ "$(ls "$WORK")" = "demo" ]
