# endianflip: word-wise byte reversal, help and usage, refusals.

hex() { od -An -v -tx1 "$1" | tr -d ' \n'; }

# eight bytes: each 4-byte word reversed, length reported
printf '\001\002\003\004\005\006\007\010' > eight
run 0 endianflip eight eight.out
same "8-byte file flipped" "$(hex eight.out)" "0403020108070605"
same "completion text" "$OUT" " endianflip completed 
 Filelength :     8 Byte"
"$BIN/endianflip" eight eight.again > completion.txt
printf ' endianflip completed \n Filelength :     8 Byte\n\n' > completion.want
check "completion text ends with an empty line" cmp -s completion.txt completion.want

# twice gives the input back, across the internal block boundary (4 MiB)
perl -e 'binmode STDOUT; print pack("N*", map { $_ * 2654435761 % 4294967296 } 0 .. 1200000)' > big
run 0 endianflip big big.1
run 0 endianflip big.1 big.2
check "flipping twice restores the input" cmp -s big big.2
same "word at the block boundary reversed" \
  "$(perl -e 'open F, "<", "big.1"; binmode F; seek F, 4194304, 0; read F, $b, 4; print unpack("V", $b)')" \
  "$(perl -e 'print 1048576 * 2654435761 % 4294967296')"
contains "length of big file" "$OUT" "Filelength : 4800004 Byte"

# empty input: empty output, length 0
: > empty
run 0 endianflip empty empty.out
check "empty output exists" test -f empty.out
check "empty output is empty" test ! -s empty.out
contains "zero length" "$OUT" "Filelength :     0 Byte"

# a trailing group of 1-3 bytes is reversed as far as it goes, with a warning
printf '\001\002\003\004\005\006\007' > seven
run 0 endianflip seven seven.out
same "7-byte file flipped" "$(hex seven.out)" "04030201070605"
contains "odd length warned" "$OUT" "is not a multiple of 4 bytes"
contains "bytes actually written" "$OUT" "Filelength :     7 Byte"
run 0 endianflip seven.out seven.back
check "7-byte file flipped twice" cmp -s seven seven.back

# help: "-help" at any position; "-h" only alone
run 0 endianflip a b -help
HELP=$OUT
same "help text" "$OUT" "
 ENDIANFLIP 

   Converts the big endian format to little endian and vice versa. 
   Allows to interchange the binary 'tvl.crd' and 'tvl.vel' files between 
   Intel-architectures and the rest of the world.

   usage:  endianflip <infile> <outfile>"
run 0 endianflip -h
same "-h alone is help" "$OUT" "$HELP"
run 1 endianflip -h out.crd
contains "-h beside a file is a file name" "$OUT" "ERROR: <infile> -h does not exist !"
run 2 endianflip
same "no arguments" "$OUT" "usage:  endianflip <infile> <outfile>"
run 2 endianflip a b c
same "three arguments" "$OUT" "usage:  endianflip <infile> <outfile>"

# missing input
run 1 endianflip missing out.x
same "missing input" "$OUT" "ERROR: <infile> missing does not exist !

usage:  endianflip <infile> <outfile>"
check "no output for a missing input" test ! -e out.x

# an output that cannot be created
run 1 endianflip eight nodir/out
contains "uncreatable output" "$OUT" "nodir/out"

# the output may not be the input itself, under any name
cp eight keep
run 1 endianflip keep keep
contains "same name refused" "$OUT" "same file"
ln keep keep.link
run 1 endianflip keep ./keep.link
contains "hard link refused" "$OUT" "same file"
ln -s keep keep.sym
run 1 endianflip keep.sym keep
check "input untouched" cmp -s keep eight

# an output that cannot be written completely is an error
if [ -w /dev/full ]; then
  run 1 endianflip eight /dev/full
  contains "full device reported" "$OUT" "/dev/full"
fi

# an input that cannot be read leaves no output file behind
mkdir -p indir
run 1 endianflip indir never.out
contains "directory input" "$OUT" "ERROR: cannot read <infile> indir"
check "no output created" [ ! -e never.out ]
