# packtraj: help, listings, messages and the refusals that protect files.
# The numeric round trips are in tests/trajtools.

XTC=$DATA/xtc

HELP="
PACKTRAJ converts TARVELO .crd file into the compressed  GROMACS .xtc format
        and vice versa.

Syntax:  packtraj -c <crd-file> -x <xtc-file> -p <precision> [-r]

  default precsion (0.001 nm): -p 1000.0
  (a larger value will give a higher precision)
  -r : Reverse action: a .xtc file is transformed into a .crd file
  -dt <ps> : time between configurations written to the .xtc file (default 1.0):
             configuration k (counted from 0) gets step k and time k * dt
  -nt <n> : threads decoding the .xtc frames with -r (default: one per core)"

# crd file of n sites and f frames in this machine's byte order
make_crd() {  # name n frames
  perl -e '($n, $f) = @ARGV; $len = 12 + 12 * $n;
    print pack("l<l<l<", 4, $n, 4);
    for $k (0 .. $f - 1) {
      print pack("l<", $len), pack("f<3", 3.7, 3.7, 3.7);
      print pack("f<*", map { 0.1 * $_ + $k } 1 .. 3 * $n), pack("l<", $len);
    }' "$2" "$3" > "$1"
}

# ---- help and usage
run 0 packtraj -h
same "help text (-h)" "$OUT" "$HELP"
run 0 packtraj -c a.crd -x a.xtc -help
same "help text (-help)" "$OUT" "$HELP"
run 2 packtraj
same "no arguments" "$OUT" "$HELP"
run 2 packtraj -c a.crd
same "no xtc file" "$OUT" "$HELP"
run 2 packtraj -x a.xtc
same "no crd file" "$OUT" "$HELP"
run 2 packtraj -x a.xtc -c
contains "a -c without a name" "$OUT" "Syntax:  packtraj"
for p in abc 0 -5 0.0 1e39 "" 1e-45 2e-39; do  # the last two: 1/p overflows
  run 2 packtraj -c a.crd -x a.xtc -p "$p"
  same "precision '$p' refused" "$OUT" "$HELP"
done
run 2 packtraj -c a.crd -x a.xtc -p
same "precision missing" "$OUT" "$HELP"
run 2 packtraj -c a.crd -x a.xtc -dt x
same "unreadable -dt" "$OUT" "$HELP"
# a file option takes no option as its name; an unknown option is refused
for args in "-x a.xtc -c -r" "-c a.crd -x -p 100" "-c a.crd -x a.xtc -q" "-c a.crd -x a.xtc -p 10 -rr"; do
  run 2 packtraj $args
  same "usage for: $args" "$OUT" "$HELP"
done
check "no file named -r" test ! -e ./-r
check "no file named -p" test ! -e ./-p
# an argument is a 256-character field: trailing blanks are not part of it,
# a longer argument is refused, not cut
run 0 packtraj "-h   "
same "trailing blanks of an option" "$OUT" "$HELP"
run 1 packtraj -c "$(printf 'a%.0s' $(seq 256))" -x a.xtc
same "256 characters taken whole" "$OUT" "
 ERROR: specified crd-file does not exist"
run 2 packtraj -c "$(printf 'a%.0s' $(seq 257))" -x a.xtc
same "257 characters refused" "$OUT" " ERROR: argument 2 is longer than 256 characters"
check "nothing written by refused runs" test ! -e a.xtc

# ---- forward
make_crd three.crd 12 3
run 0 packtraj -c three.crd -x three.xtc -p 1000
same "forward listing counts from 0" "$OUT" " #Transforming: crd -> xtc
 #  configuration
  0
  1
  2"
make_crd none.crd 12 0
run 0 packtraj -c none.crd -x none.xtc
same "header only: two lines" "$OUT" " #Transforming: crd -> xtc
 #  configuration"
check "header only: empty xtc" test -f none.xtc
check "header only: xtc has no byte" test ! -s none.xtc

# an existing xtc is replaced without a message
cp three.xtc old.xtc
run 0 packtraj -c none.crd -x old.xtc
check "existing xtc replaced" test ! -s old.xtc

run 1 packtraj -c missing.crd -x m.xtc
same "missing crd" "$OUT" "
 ERROR: specified crd-file does not exist"
check "no xtc for a missing crd" test ! -e m.xtc

perl -e 'print pack("l<l<l<", 4, 100001, 4)' > many.crd
run 1 packtraj -c many.crd -x many.xtc
same "too many atoms" "$OUT" " ERROR: number of atoms in system is too large !"
check "no xtc for too many atoms" test ! -e many.xtc

run 1 packtraj -c three.crd -x nodir/x.xtc
contains "uncreatable xtc reported" "$OUT" "nodir/x.xtc"
case "$OUT" in *Transforming*) echo "FAIL: listing began before the xtc file existed"; TVL_FAILS=$((TVL_FAILS + 1)) ;; esac

# an existing xtc is kept when the first crd frame is cut or cannot be written
cp three.xtc keep3.xtc
head -c 40 three.crd > cut1.crd
run 1 packtraj -c cut1.crd -x keep3.xtc
contains "unreadable first frame" "$OUT" 'the xtc-file "keep3.xtc" was left as it was'
check "xtc kept (cut frame)" cmp -s keep3.xtc three.xtc
perl -e 'print pack("l<3", 4, 1, 4), pack("l<", 24), pack("f<6", 3.7, 3.7, 3.7, 9**9**9, 0, 0), pack("l<", 24)' > inf.crd
run 1 packtraj -c inf.crd -x keep3.xtc
contains "unwritable first frame" "$OUT" "a coordinate is not finite"
check "xtc kept (infinite coordinate)" cmp -s keep3.xtc three.xtc

# a cut crd frame: earlier frames converted, failure status
head -c $(( 12 + 2 * (8 + 12 + 144) + 50 )) three.crd > cut.crd
run 1 packtraj -c cut.crd -x cut.xtc
contains "cut crd frame named" "$ERR" "frame 3"
run 0 trajdump cut.xtc
same "cut crd: two frames in the xtc" "$(printf '%s\n' "$OUT" | grep -c STEP)" "2"

# ---- input and output the same file
cp three.crd keep.crd
run 1 packtraj -c keep.crd -x keep.crd
contains "same name refused" "$OUT" "same file"
ln -s keep.crd keep.xtc
run 1 packtraj -c keep.crd -x keep.xtc
contains "symbolic link refused" "$OUT" "same file"
check "crd untouched" cmp -s keep.crd three.crd
run 1 packtraj -r -c ./keep.crd -x keep.crd
contains "same file refused (-r)" "$OUT" "same file"
check "crd untouched (-r)" cmp -s keep.crd three.crd

# ---- reverse
run 0 packtraj -r -x "$XTC/water3.xtc" -c w3.crd
same "reverse listing" "$(printf '%s\n' "$OUT" | head -4)" " #Transforming: xtc -> crd
 #  step   time (ps)
  0 0.0
  10 0.02"
same "reverse listing length" "$(printf '%s\n' "$OUT" | wc -l)" "12"
cp w3.crd w3.keep
run 1 packtraj -r -x "$XTC/water4.xtc" -c w3.crd
same "second -r refused" "$OUT" " packtraj: crd-file already exists"
check "existing crd untouched" cmp -s w3.crd w3.keep

run 1 packtraj -r -x missing.xtc -c nx.crd
same "missing xtc" "$OUT" "
 ERROR: specified XTC-file does not exist"
check "no crd for a missing xtc" test ! -e nx.crd

printf 'this is not an xtc file, only text\n' > text.xtc
run 1 packtraj -r -x text.xtc -c text.crd
contains "not an xtc file" "$OUT" "\"text.xtc\" is not an xtc file"
check "crd removed when no frame" test ! -e text.crd

: > empty.xtc
run 1 packtraj -r -x empty.xtc -c empty.crd
contains "empty xtc" "$OUT" "holds no frame"
check "crd removed for an empty xtc" test ! -e empty.crd

run 1 packtraj -r -x "$XTC/water3.xtc" -c nodir/w.crd
contains "uncreatable crd" "$OUT" "nodir/w.crd"

# blank arguments count out: options are looked for at positions 1..count
# ("" -x three.xtc -c three2.crd -r: five non-blank, -r at position 6 unseen,
# so the forward direction looks for the crd file three2.crd)
run 1 packtraj "" -x three.xtc -c three2.crd -r
contains "blank argument: -r beyond the count" "$OUT" "ERROR: specified crd-file does not exist"
check "blank argument: nothing created" test ! -e three2.crd

# an xtc file that cannot be written completely is an error
if [ -w /dev/full ]; then
  run 1 packtraj -c three.crd -x /dev/full
  contains "full device reported" "$OUT" "could not be written"
fi
