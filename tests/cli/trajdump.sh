# trajdump: help, listing layout, missing files, cut frames.
# The value-by-value comparison with the reference dumps is in tests/trajtools.

XTC=$DATA/xtc
HELP="
TRAJDUMP : Writes content of several GROMACS .xtc files to STDOUT

Syntax:  trajdump <xtc-file 1> <xtc-file 2> ... <xtc-file N> 
  -nt <n> : threads decoding the frames (default: one per core)"

run 2 trajdump
same "no arguments: help" "$OUT" "$HELP"
run 0 trajdump a.xtc -h
same "-h anywhere" "$OUT" "$HELP"
run 0 trajdump -help
same "-help" "$OUT" "$HELP"

cp "$XTC/water3.xtc" w3.xtc
run 0 trajdump w3.xtc
same "title line, padded to 60 columns" "$(printf '%s\n' "$OUT" | head -1)" \
  " # FILE  1 w3.xtc                                                      "
same "first frame" "$(printf '%s\n' "$OUT" | sed -n 2,5p)" " STEP 0 0.0
 NUMATOMS 9
 BOX  3.7 3.7 3.7
 XYZ 1 0.18200001 0.55300003 0.115"
same "line count: 10 frames of 9 atoms" "$(printf '%s\n' "$OUT" | wc -l)" "121"

# a long name is shown cut to 60 characters but opened whole
long=a_very_long_file_name_that_goes_on_and_on_beyond_sixty_characters_in_all.xtc
cp w3.xtc "$long"
run 0 trajdump "$long"
same "long name cut in the title" "$(printf '%s\n' "$OUT" | head -1)" " # FILE  1 ${long:0:60}"
same "long name listed" "$(printf '%s\n' "$OUT" | grep -c STEP)" "10"

# a missing file stops the listing; later files are not listed
run 1 trajdump w3.xtc missing.xtc w3.xtc
same "missing file: title and message" "$(printf '%s\n' "$OUT" | tail -2 | sed 's/ *$//')" " # FILE  2 missing.xtc
 # ERROR: specified XTC-file does not exist"
same "missing file: later files not listed" "$(printf '%s\n' "$OUT" | grep -c '# FILE')" "2"

# a cut eighth frame: seven frames, a warning on standard error, the next file follows
head -c 1000 "$XTC/water4.xtc" > cut.xtc
run 1 trajdump cut.xtc w3.xtc
same "cut frame warning" "$ERR" \
  'WARNING: xtc-file "cut.xtc": frame 8 is cut short or corrupt; listing of this file ends'
same "warning on standard error only" "$(printf '%s\n' "$OUT" | grep -c WARNING)" "0"
n=$(printf '%s\n' "$OUT" | grep -c STEP)
same "frames before the cut and all of the next file listed" "$n" "17"
contains "next file listed" "$OUT" " # FILE  2 w3.xtc"

# not an xtc file
printf 'plain text, no frames here at all.....................................\n' > text.xtc
run 1 trajdump text.xtc
same "not an xtc file" "$ERR" \
  'WARNING: "text.xtc" is not an xtc file (its first magic number is not 1995); listing of this file ends'
# a later frame without the magic number
cat w3.xtc text.xtc > tail.xtc
run 1 trajdump tail.xtc
same "later frame not xtc" "$ERR" \
  'WARNING: xtc-file "tail.xtc": frame 11 does not begin with the magic number 1995; listing of this file ends'
same "later frame not xtc: frames before listed" "$(printf '%s\n' "$OUT" | grep -c STEP)" "10"

# an empty file lists nothing and is no error
: > empty.xtc
run 0 trajdump empty.xtc
same "empty file" "$(printf '%s\n' "$OUT" | sed 's/ *$//')" " # FILE  1 empty.xtc"

# a listing that cannot be written is an error
if [ -w /dev/full ]; then
  "$BIN/trajdump" w3.xtc > /dev/full 2> full.err
  same "listing to a full device fails" "$?" "1"
  contains "full device reported" "$(cat full.err)" "cannot write standard output"
fi

# a frame that would give a coordinate that is not finite is damaged: a
# warning, never an infinite value. Compressed (water4): a stored precision
# too small to decode by (1/p overflows, or the integers times 1/p do);
# uncompressed (water3, 9 atoms): NaN or Infinity stored as a coordinate.
for c in "water4 56 1e-45" "water4 56 1e-37" "water3 56 nan" "water3 60 inf" "water3 160 -inf"; do
  set -- $c
  perl -e 'local $/; $d = <STDIN>; substr($d, $ARGV[0], 4) = pack("f>", $ARGV[1]); print $d' "$2" "$3" < "$XTC/$1.xtc" > odd.xtc
  run 1 trajdump odd.xtc
  contains "$c: damaged frame" "$ERR" 'frame 1 is cut short or corrupt'
  same "$c: no coordinate listed" "$(printf '%s\n' "$OUT" | grep -c XYZ)" "0"
  rm -f odd.crd
  run 1 packtraj -r -x odd.xtc -c odd.crd
  check "$c: no crd written" test ! -e odd.crd
done
