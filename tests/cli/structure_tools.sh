# structpdb, supercell, velflip: layouts, round trips, a PDB reader's view of
# the records, and the refusals of bad input.
EX="$SRC/examples/waters.str"
CORRUPT=" ERROR: STRUCTURE-file is corrupted !"

# feed <status> <input> <program> [args...]: run() with standard input from a file
feed() {
  local want=$1 input=$2 prog=$3; shift 3
  OUT=$("$BIN/$prog" "$@" < "$input" 2> "$WORK/.stderr")
  STATUS=$?
  TVL_CHECKS=$((TVL_CHECKS + 1))
  if [ "$STATUS" != "$want" ]; then
    echo "FAIL: $prog $* < $input -> status $STATUS, expected $want"
    printf '%s\n' "$OUT" | head -20
    TVL_FAILS=$((TVL_FAILS + 1))
  fi
}

# a structure file: box, then per molecule "name type nsites" and per site
# "name x y z vx vy vz" (forces are 1 2 3), in the writers' layout
mkstr() {
  awk -v box="$1" 'BEGIN { split(box, b, " "); printf "%12.6f%12.6f%12.6f\n", b[1], b[2], b[3] }
    $1 == "count" { printf "%6d\n", $2 }
    NF == 3 && $1 != "count" { printf "\n%-10s\n%7d%7d%7d\n", $1, $2, $3, ++m; k = 0 }
    NF == 7 { printf "%-10s %4d\n%15.7E%15.7E%15.7E\n%15.7E%15.7E%15.7E\n%15.7E%15.7E%15.7E\n",
              $1, ++k, $2, $3, $4, $5, $6, $7, 1, 2, 3 }'
}

# ---- structpdb ----------------------------------------------------------
mkstr "3 3 3" > two.str <<'X'
count 2
water 1 3
O   0.15 0 -0.1   1 2 2
h1  0.1 0.2 0.3   0 0 0
h2  1 1 1         40 0 0
methanol 2 2
hmet 0.01 0.02 0.03  0 0 0
c    0 0 0           0 0 0
X
feed 0 two.str structpdb
same "PDB columns" "$("$BIN/structpdb" < two.str)" \
"ATOM      1  O   WAT     1       1.500   0.000  -1.000  1.00  4.50
ATOM      2  H1  WAT     1       1.000   2.000   3.000  1.00  0.00
ATOM      3  H2  WAT     1      10.000  10.000  10.000  1.00800.00
ATOM      4 HMET MET     2       0.100   0.200   0.300  1.00  0.00
ATOM      5  C   MET     2       0.000   0.000   0.000  1.00  0.00"

# a cut input: the records so far, then the message
head -n 12 two.str > cut.str
feed 1 cut.str structpdb
same "structpdb cut input" "$OUT" "ATOM      1  O   WAT     1       1.500   0.000  -1.000  1.00  4.50
$CORRUPT"

# site numbers wrap after 99999 (one molecule of 100001 sites, blank lines read as 0)
{ printf '1 1 1\n1\n\nbig\n1 100001 1\n'; awk 'BEGIN { for (i = 0; i < 100001; ++i) printf "x\n\n\n\n" }'; } > many.str
"$BIN/structpdb" < many.str > many.pdb
same "site numbers wrap" "$(sed -n '99999p;100000p;100001p' many.pdb | cut -c1-11)" "ATOM  99999
ATOM      0
ATOM      1"

# residue numbers wrap after 9999: 2 x 2 x 2 copies of the 1652-water box
"$BIN/supercell" 2 2 2 < "$SRC/examples/water/water.str" | "$BIN/structpdb" > big.pdb
same "13216 molecules as records" "$(wc -l < big.pdb)" 39648
same "residue numbers wrap" "$(sed -n '29997p;30000p;39648p' big.pdb | cut -c18-26)" "WAT  9999
WAT     0
WAT  3216"

# a PDB reader sees the atoms, names, residues and coordinates (10 x nm)
check "obabel is installed" command -v obabel > obabel.where
"$BIN/structpdb" < "$EX" > ex.pdb
obabel -ipdb ex.pdb -omol2 2>/dev/null | awk '/@<TRIPOS>ATOM/ { on = 1; next } /@<TRIPOS>/ { on = 0 }
  on { printf "%s %.3f %.3f %.3f %s\n", $2, $3, $4, $5, $8 }' > seen.txt
awk 'NR <= 2 { next } /^$/ { s = "name"; next } s == "name" { res = toupper(substr($0, 1, 3)); ++m; s = "head"; next }
  s == "head" { s = ""; i = 0; next }
  ++i % 4 == 1 { name = toupper($1) }
  i % 4 == 2 { printf "%s %.3f %.3f %.3f %s%d\n", name, 10 * substr($0, 1, 15), 10 * substr($0, 16, 15),
               10 * substr($0, 31, 15), res, m }' "$EX" > want.txt
same "atoms read back by obabel" "$(cat seen.txt)" "$(cat want.txt)"
same "obabel atom count" "$(wc -l < seen.txt)" 15
printf '1 1 1\n1\n\nwat\n1 1 1\nhw12\n%15s%15s%15s\n\n\n' 0.1 0.2 0.3 > four.str
"$BIN/structpdb" < four.str > four.pdb
same "four-character name read back" "$(obabel -ipdb four.pdb -omol2 2>/dev/null | awk '/@<TRIPOS>ATOM/ { getline; print $2 }')" HW12

# ---- velflip --------------------------------------------------------------
"$BIN/velflip" < "$EX" > flipped.str
"$BIN/velflip" < flipped.str > back.str
check "velflip twice gives the input back" cmp -s back.str "$EX"
same "velocities negated, the rest copied" "$(sed -n 6,9p flipped.str)" "ow            1
 0.23100000E+00 0.31800000E+00 0.41200000E+00
-0.33420000E+00-0.46520000E+00-0.43940000E+00
 0.21786400E+03-0.91890000E+02 0.10332400E+03"
# every digit of the 15-column fields survives (more than a 32-bit float holds)
printf '%12.6f%12.6f%12.6f\n     1\n\nm         \n      1      1      1\nx             1\n' 1 1 1 > fine.str
printf ' 0.12345679E+00 0.98765433E+00 0.16777217E+08\n%.0s' 1 2 3 >> fine.str
"$BIN/velflip" < fine.str | "$BIN/velflip" > fine.back
check "8 significant digits kept" cmp -s fine.str fine.back
for n in 1 2 3 5 8 11 20; do
  head -n "$n" "$EX" > part.str
  feed 1 part.str velflip
  same "velflip refuses a cut input ($n lines)" "$OUT" "$CORRUPT"
done
mkdir adir
feed 1 adir velflip
same "velflip: a read error is no end of input" "$OUT" "$CORRUPT"
sed 's/^ 0.23100000E+00/ 0.23100000X+00/' "$EX" > bad.str
feed 1 bad.str velflip
same "velflip refuses a bad number" "$OUT" "$CORRUPT"
printf '%12.6f%12.6f%12.6f\n1000000\n' 1 1 1 > manymols.str
feed 1 manymols.str velflip
same "velflip refuses 7-digit molecule counts" "$OUT" \
  " ERROR: the value 1000000 (number of molecules) does not fit the field I6 of the STRUCTURE-file"

# ---- supercell --------------------------------------------------------------
"$BIN/supercell" 1 1 1 < "$EX" > same.str
check "supercell 1 1 1 gives the input back" cmp -s same.str "$EX"
"$BIN/supercell" 1 1 1 < "$SRC/examples/water/water.str" > w111.str
check "supercell 1 1 1 of a 7-column count" cmp -s w111.str <(sed '2s/^ //' "$SRC/examples/water/water.str")
"$BIN/supercell" 2 1 1 < "$EX" > double.str
same "doubled box and count" "$(head -n 2 double.str)" "    2.400000    1.200000    1.200000
    10"
same "second copy shifted by the box edge" "$(sed -n 19,23p double.str)" "water     
      1      3      1
ow            1
 0.14310000E+01 0.31800000E+00 0.41200000E+00
 0.33420000E+00 0.46520000E+00 0.43940000E+00"
same "copies follow their molecule" "$(awk 'NR % 15 == 5' double.str | head -n 4)" "      1      3      1
      1      3      1
      1      3      2
      1      3      2"
for args in "0 1 1" "1 -2 1" "1 1 x" "1 1" "2.5 1 1"; do
  # shellcheck disable=SC2086
  feed 2 "$EX" supercell $args
  same "supercell $args refused" "$(printf '%s\n' "$OUT" | head -n 1)" " ERROR: Check command line argument!"
done
feed 1 "$EX" supercell 1000 1000 1
same "supercell count too large, nothing written" "$OUT" \
  " ERROR: the value 5000000 (number of molecules) does not fit the field I6 of the STRUCTURE-file"
printf '%12.6f%12.6f%12.6f\n     1\n\nbig\n      1 200001      1\n' 1 1 1 > huge.str
feed 1 huge.str supercell 2 1 1
same "supercell molecule too large" "$OUT" \
  " ERROR: molecule 1 of the STRUCTURE-file has 200001 sites; at most 200000 are held (nsicopymax in tvl_const)"
head -n 40 "$EX" > part.str
feed 1 part.str supercell 2 2 2
same "supercell cut input, nothing written" "$OUT" "$CORRUPT"

# ---- box, count and molecule header read free-format, as the analysers read them
# (a count beyond column 7, a box without decimal points or over two lines)
for head in '1.2 1.2 1.2\n        5' '  12e-1,1.2\n1.2\n5' '1.2  1.2  1.2  9\n5'; do
  { printf "$head\n"; tail -n +3 "$EX"; } > free.str
  feed 0 free.str supercell 1 1 1
  check "supercell reads '$head' as the suite's header" cmp -s <(printf '%s\n' "$OUT") "$EX"
  feed 0 free.str structpdb
  same "structpdb reads '$head' as the suite's header" "$OUT" "$("$BIN/structpdb" < "$EX")"
done
# a molecule header written free, as the analysers read it
sed '5s/.*/1 3    1/' "$EX" > freehead.str
feed 0 freehead.str velflip
check "velflip reads a free molecule header" cmp -s <(printf '%s\n' "$OUT") <("$BIN/velflip" < "$EX")
# values that fill their 7 columns run together: read by their columns
printf '1 1 1\n 1\n\nbig\n      21000000      1\n' > joined.str
feed 1 joined.str supercell 2 1 1
contains "a header whose values run together" "$OUT" "has 1000000 sites"
{ printf '3 3 3\n        1\n'; tail -n +3 "$EX"; } > three.str
feed 0 three.str supercell 2 1 1
same "a box of 3 3 3 shifts copies by 3" "$(printf '%s\n' "$OUT" | sed -n '1,2p;7p;22p')" \
"    6.000000    3.000000    3.000000
     2
 0.23100000E+00 0.31800000E+00 0.41200000E+00
 0.32310000E+01 0.31800000E+00 0.41200000E+00"
for head in '1.2 1.2 1.2\n' '1.2 1.2 x\n5\n' '1.2 1.2 1.2\nfive\n' '1.2 1.2 1.2\n-1\n' '1.2 1.2 1.2\n5.0\n'; do
  printf "$head" > bad.str
  feed 1 bad.str velflip
  same "velflip refuses the header '$head'" "$OUT" "$CORRUPT"
done
# an edge that would fill its field would run into the one before: refused
printf '5000 1 1\n0\n' > wide.str
feed 1 wide.str supercell 2 1 1
same "supercell: an edge of 10000 refused" "$OUT" \
  " ERROR: the value 10000.0 (box edge) does not fit the field F12.6 of the STRUCTURE-file"

# ---- usage and failed writes ---------------------------------------------------
run 2 structpdb extra
run 2 velflip extra
# (a file size limit of 0: the message goes through the pipe of $(...))
full=$( (ulimit -f 0; trap '' XFSZ; "$BIN/supercell" 2 2 2 < "$EX" > full.out; echo "status $?") 2>&1)
contains "failed write is an error" "$full" "status 1"
contains "failed write reported" "$full" "cannot write standard output"
