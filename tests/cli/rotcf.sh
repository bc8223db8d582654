# rotcf end to end: help and usage statuses, command-line faults, the water
# example on xtc (GRO start) and on crd (structure-file start), and the
# checked result file.
W=$SRC/examples/water

run 0 rotcf -help
same "long help, line 2" "$(printf '%s\n' "$OUT" | sed -n 2p)" "  ROTCF - reorientational time-correlation functions"
run 2 rotcf
same "short help" "$OUT" "rotcf: calc reorientation time correlation functions for molecular vectors from CRD-data
For help type: rotcf -help"
run 2 rotcf -version
run 0 rotcf -time 1 -tmax 1 -version
same "version" "$(printf '%s\n' "$OUT" | tail -1)" " TARVELO Version: 4.16"
run 2 rotcf -time 1 -tmax 5 -tgap 0
contains "tgap 0" "$OUT" " ROTCF ERROR: Syntax error in command-line"
run 2 rotcf -time 1 -tmax 5 -gap
contains "value missing" "$OUT" " ROTCF ERROR: Syntax error in command-line"
run 2 rotcf -time 1 -tmax 5 -xtc a.xtc -crd b.crd
contains "two lists" "$OUT" " ROTCF ERROR: Syntax error in command-line"
run 2 rotcf -tmax 5 -sys x
same "time missing" "$OUT" " ROTCF ERROR: -time has to be specified"
run 2 rotcf -time 1 -tmax 5 -sys -in x
contains "name missing" "$OUT" " ERROR: Check commandline arguments"

# the water box: 250 xtc frames, GRO start
run 0 rotcf -sys "$W/water.sys" -gin "$W/water.gro" -xtc "$W/water_250.xtc" -time 0.02 -tmax 100 -tgap 10
contains "configurations" "$OUT" "              Configurations:  250
   Equivalent Vectors defined:  1
      Number of Vectors found:  1652
 
 Molecules....
  1
  2"
check "eleven lags" [ "$(wc -l < rotcf_p1p2.dat)" -eq 11 ]
same "lag 0" "$(head -1 rotcf_p1p2.dat)" "    0.00000E+00    0.10000E+01    0.10000E+01"
check "only the result file is written" [ "$(ls)" = "rotcf_p1p2.dat" ]
check "no NaN" test -z "$(grep -i 'nan\|inf' rotcf_p1p2.dat)"

# crd trajectory from a structure file: same frames as the first ten of the
# xtc fixture, so the same curve
run 0 rotcf -sys "$W/water.sys" -in "$W/water.str" -crd "$W/water.crd" -time 0.02 -tmax 5
crd=$(cat rotcf_p1p2.dat)
run 0 rotcf -sys "$W/water.sys" -gin "$W/water.gro" -xtc "$DATA/xtc/water_p1000.xtc" -time 0.02 -tmax 5
same "crd and xtc agree" "$crd" "$(cat rotcf_p1p2.dat)"

# an unwritable result file is an error naming it
rm -f rotcf_p1p2.dat && mkdir rotcf_p1p2.dat
run 1 rotcf -sys "$W/water.sys" -gin "$W/water.gro" -xtc "$DATA/xtc/water_p1000.xtc" -time 0.02 -tmax 5
contains "unwritable output" "$OUT" "rotcf_p1p2.dat"
rmdir rotcf_p1p2.dat

# fewer configurations than -tmax
run 1 rotcf -sys "$W/water.sys" -gin "$W/water.gro" -xtc "$DATA/xtc/water_p1000.xtc" -time 0.02 -tmax 11
contains "tmax above F" "$OUT" " ROTCF ERROR: size of tcf-array is larger than 
 number of configurations in crd-file"

# verbosity 1: banner, reader progress and the speed of both phases
run 0 rotcf -v -sys "$W/water.sys" -gin "$W/water.gro" -xtc "$DATA/xtc/water_p1000.xtc" -time 0.02 -tmax 5
contains "banner" "$OUT" "  The  T A R V E L O  Package  Version 4.160"
contains "read speed" "$OUT" " Reading: 10 configurations in"
contains "correlation speed" "$OUT" " Correlation: 74340 lag x origin x series pairs in"

# a read error is not the end of a trajectory: a directory in the xtc list stops the run
mkdir -p notafile.xtc
run 1 rotcf -sys "$W/water.sys" -gin "$W/water.gro" -xtc notafile.xtc -time 0.02 -tmax 10
contains "read error" "$OUT" ' ERROR: xtc-file "notafile.xtc": frame 1 cannot be read (read error)'

# ---- the system file is read once: its {rotcf} section comes through a
# pipe or a FIFO as from the regular file
cp "$W/water.sys" w.sys && cp "$W/water.gro" w.gro && cp "$DATA/xtc/water_p1000.xtc" w.xtc
rm -f rotcf_p1p2.dat
run 0 rotcf -sys w.sys -gin w.gro -xtc w.xtc -time 0.02 -tmax 5
want=$(cat rotcf_p1p2.dat)
rm rotcf_p1p2.dat
run 0 rotcf -sys <(cat w.sys) -gin w.gro -xtc w.xtc -time 0.02 -tmax 5
same "pipe: same results" "$(cat rotcf_p1p2.dat)" "$want"
rm rotcf_p1p2.dat
mkfifo w.fifo
cat w.sys > w.fifo &
feeder=$!
OUT=$(timeout 60 "$BIN/rotcf" -sys w.fifo -gin w.gro -xtc w.xtc -time 0.02 -tmax 5)
same "FIFO: status" "$?" 0
kill "$feeder" 2>/dev/null
same "FIFO: same results" "$(cat rotcf_p1p2.dat 2>&1)" "$want"

# ---- the result file is never one of the inputs, under any name
args=(-sys w.sys -gin w.gro -xtc w.xtc -time 0.02 -tmax 5)
rm -f rotcf_p1p2.dat && ln w.sys rotcf_p1p2.dat
run 1 rotcf "${args[@]}"
contains "hard link to the system file" "$OUT" ' ROTCF ERROR: the result file "rotcf_p1p2.dat" is the input file "w.sys";
 writing the results would destroy it: run in another directory or rename the input'
check "system file untouched" cmp -s w.sys "$W/water.sys"
rm rotcf_p1p2.dat && ln -s w.gro rotcf_p1p2.dat
run 1 rotcf "${args[@]}"
contains "symbolic link to the GRO file" "$OUT" 'is the input file "w.gro"'
check "GRO file untouched" cmp -s w.gro "$W/water.gro"
rm rotcf_p1p2.dat && cp w.xtc rotcf_p1p2.dat
run 1 rotcf -sys w.sys -gin w.gro -xtc w.xtc rotcf_p1p2.dat -time 0.02 -tmax 5
contains "a trajectory of that name" "$OUT" 'is the input file "rotcf_p1p2.dat"'
check "trajectory untouched" cmp -s rotcf_p1p2.dat w.xtc

# both correlation engines write the same file; -v names the engine used
run 0 rotcf -sys "$W/water.sys" -gin "$W/water.gro" -xtc "$W/water_250.xtc" -time 0.02 -tmax 120 -tgap 20 -corr direct
direct=$(cat rotcf_p1p2.dat)
run 0 rotcf -v -sys "$W/water.sys" -gin "$W/water.gro" -xtc "$W/water_250.xtc" -time 0.02 -tmax 120 -tgap 20 -corr fft
same "engines agree" "$(cat rotcf_p1p2.dat)" "$direct"
contains "engine named" "$OUT" " threads, fft engine (-corr)"
run 0 rotcf -v -sys "$W/water.sys" -gin "$W/water.gro" -xtc "$DATA/xtc/water_p1000.xtc" -time 0.02 -tmax 5
contains "automatic choice" "$OUT" "engine (automatic choice)"
run 2 rotcf -time 1 -tmax 5 -corr fast
contains "unknown engine" "$OUT" " ROTCF ERROR: Syntax error in command-line"
