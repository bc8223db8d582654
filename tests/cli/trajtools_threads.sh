# packtraj -r and trajdump on 1, 2, 3 and 7 threads and the default: the
# same listing, messages, exit status and crd-file for whole, cut and damaged
# xtc files.

XTC=$DATA/xtc
W=$XTC/water_p1000.xtc  # 10 frames of 4956 atoms; frame 4 starts at byte 51992

# patch <file> <offset> <perl pack format> <value>: overwrites bytes in place.
patch() {
  perl -e 'local $/; open(F, "+<", $ARGV[0]) or die; binmode F; $d = <F>;
           $v = pack($ARGV[2], $ARGV[3]); substr($d, $ARGV[1], length $v) = $v;
           seek(F, 0, 0); print F $d; close F' "$@"
}

cp "$W" whole.xtc
head -c 60000 "$W" > cut.xtc                         # inside frame 4
head -c 51992 "$W" > boundary.xtc                    # after frame 3
cp "$W" bytecount.xtc; patch bytecount.xtc $((86584 + 88)) N 2147483647   # frame 6: block byte count
cp "$W" bits.xtc; patch bits.xtc $((69288 + 500)) C 255                    # frame 5: a packed byte
cp "$W" atoms.xtc; patch atoms.xtc $((17328 + 4)) N 200000; patch atoms.xtc $((17328 + 52)) N 200000
{ cat "$W"; printf 'no more frames, only text here .........................\n'; } > tail.xtc
cat "$XTC/water4.xtc" "$XTC/water3.xtc" > counts.xtc  # 12 atoms, then 9
printf 'plain text, no frames here at all.....................................\n' > text.xtc
: > empty.xtc

# outcome <tag> <program> [args...]: status, standard output and error.
outcome() {
  local tag=$1; shift
  "$BIN/$@" > "$tag.out" 2> "$tag.err" < /dev/null
  echo $? > "$tag.status"
}

for f in whole cut boundary bytecount bits atoms tail counts text empty; do
  for nt in 1 2 3 7 default; do
    opt=(-nt "$nt")
    [ "$nt" = default ] && opt=()
    outcome "dump.$f.$nt" trajdump "${opt[@]}" "$f.xtc" "$XTC/water3.xtc"
    outcome "pack.$f.$nt" packtraj -r "${opt[@]}" -x "$f.xtc" -c out.crd  # messages name it
    [ -e out.crd ] && mv out.crd "$f.$nt.crd"
    if [ "$nt" != 1 ]; then
      for what in dump pack; do
        for part in out err status; do
          check "$f, -nt $nt: $what $part as with one thread" cmp -s "$what.$f.1.$part" "$what.$f.$nt.$part"
        done
      done
      if [ -e "$f.1.crd" ]; then
        check "$f, -nt $nt: same crd-file" cmp -s "$f.1.crd" "$f.$nt.crd"
      else
        check "$f, -nt $nt: no crd-file, as with one thread" test ! -e "$f.$nt.crd"
      fi
    fi
  done
done

# what the one-thread runs met: the messages of a read from the start
same "whole: all frames" "$(grep -c STEP dump.whole.1.out)" "20"
same "cut: warning" "$(cat dump.cut.1.err)" \
  'WARNING: xtc-file "cut.xtc": frame 4 is cut short or corrupt; listing of this file ends'
same "cut: frames before" "$(grep -c STEP dump.cut.1.out)" "13"
same "boundary: no warning" "$(cat dump.boundary.1.status)" "0"
contains "byte count: frame 6 damaged" "$(cat dump.bytecount.1.err)" '"bytecount.xtc": frame 6 is cut short or corrupt'
contains "atom count: packtraj's limit" "$(cat pack.atoms.1.out)" 'frame 2 of the xtc-file "atoms.xtc" has 200000 atoms'
contains "tail: frame 11" "$(cat pack.tail.1.out)" 'frame 11 of the xtc-file "tail.xtc" does not begin with the magic number 1995'
contains "counts: one number of atoms" "$(cat pack.counts.1.out)" 'has 9 atoms, the first frame 12'
same "counts: both listed" "$(grep -c STEP dump.counts.1.out)" "30"
contains "text: not xtc" "$(cat dump.text.1.err)" '"text.xtc" is not an xtc file'
same "cut: crd keeps 3 frames" "$(stat -c %s cut.1.crd)" "$((12 + 3 * (12 + 12 * 4956 + 8)))"

# -nt takes a whole number from 1 up
for bad in 0 -2 x 1.5 257; do
  run 2 trajdump -nt "$bad" whole.xtc
  contains "trajdump -nt $bad: help" "$OUT" "-nt <n>"
  run 2 packtraj -r -nt "$bad" -x whole.xtc -c never.crd
  check "packtraj -nt $bad: no crd-file" test ! -e never.crd
done
run 2 trajdump whole.xtc -nt
run 2 packtraj -r -x whole.xtc -c never.crd -nt
