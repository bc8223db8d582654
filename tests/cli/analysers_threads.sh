# rotcf and mucf on 1, 2, 3 and 7 threads: the same result files, the same
# standard output and the same warnings, over crd and xtc lists that hold
# whole files, files passed over, cut files and damaged files, with -gap
# groups running across file boundaries.

W="$SRC/examples/water"
cp "$W/water.sys" w.sys && cp "$W/water.gro" w.gro

# crd: 10 frames of 4956 sites (59484 bytes a frame after a 12-byte header)
cp "$W/water.crd" a.crd
head -c 300000 a.crd > cut.crd   # 5 whole frames, then a cut one
head -c 7 a.crd > short.crd      # no whole header: passed over
crd=(a.crd missing.crd cut.crd short.crd a.crd)

# xtc: a cut copy, a file whose cut frame runs into a whole file (the frame
# after it does not begin with the magic number), a file that is no xtc, and
# one with bytes overwritten inside a frame
head -c 1500000 "$W/water_250.xtc" > cut.xtc
cat cut.xtc "$DATA/xtc/water_p1000.xtc" > joined.xtc
printf 'not an xtc file\n' > text.xtc
cp "$W/water_250.xtc" damaged.xtc
printf '\377\377\377\377\377\377\377\377' | dd of=damaged.xtc bs=1 seek=2000000 conv=notrunc status=none
xtc=("$DATA/xtc/water_p1000.xtc" cut.xtc joined.xtc text.xtc damaged.xtc)

for prog in rotcf mucf; do
  for kind in crd xtc; do
    if [ "$kind" = crd ]; then list=("${crd[@]}"); else list=("${xtc[@]}"); fi
    for nt in 1 2 3 7; do
      rm -f rotcf_p1p2.dat mucf_p1.dat mucf_p2.dat
      run 0 "$prog" -sys w.sys -gin w.gro "-$kind" "${list[@]}" -time 0.02 -tmax 4 -gap 3 -nt "$nt"
      results=$(cat rotcf_p1p2.dat mucf_p1.dat mucf_p2.dat 2>&1)
      if [ "$nt" = 1 ]; then
        want_out=$OUT want_err=$ERR want=$results
        [ "$kind" = crd ] && crd_out=$OUT
        continue
      fi
      same "$prog $kind -nt $nt: results" "$results" "$want"
      same "$prog $kind -nt $nt: output" "$OUT" "$want_out"
      same "$prog $kind -nt $nt: warnings" "$ERR" "$want_err"
    done
  done
done
# the lists meet every kind of file: the warnings of the last runs name them
contains "crd passed over" "$crd_out" 'WARNING: crd-file "missing.crd" is passed over'
contains "cut crd" "$crd_out" '    short.crd'
contains "cut xtc" "$want_err" 'WARNING: xtc-file "cut.xtc": frame'
contains "no magic number" "$want_err" 'WARNING: xtc-file "joined.xtc": frame'
contains "not an xtc file" "$want_err" '"text.xtc" is not an xtc file'

# -nt takes a count of 1 or more
run 2 rotcf -sys w.sys -gin w.gro -xtc cut.xtc -time 0.02 -tmax 4 -nt 0
run 2 mucf -sys w.sys -gin w.gro -xtc cut.xtc -time 0.02 -tmax 4 -nt many
