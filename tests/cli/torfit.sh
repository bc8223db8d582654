# torfitsc and torfitc: a run on the example scan, the tables, and every way
# a profile or an answer is refused (with no table written).
EX="$SRC/examples/torsion/butane_scan.dat"

# fit <status> <answer> <program> [args...]: run() with the answer on standard input
fit() {
  local want=$1 answer=$2 prog=$3; shift 3
  for t in torsion.fit_180 torsion.fit_360; do [ -f "$t" ] && rm "$t"; done
  printf '%s\n' "$answer" > answer.txt
  OUT=$("$BIN/$prog" "$@" < answer.txt 2> "$WORK/.stderr")
  STATUS=$?
  TVL_CHECKS=$((TVL_CHECKS + 1))
  if [ "$STATUS" != "$want" ]; then
    echo "FAIL: $prog $* (answer $answer) -> status $STATUS, expected $want"
    printf '%s\n' "$OUT" | head -20
    TVL_FAILS=$((TVL_FAILS + 1))
  fi
}
# refused <name> <message>: the last line of the output, and no table
refused() {
  same "$1" "$(printf '%s\n' "$OUT" | tail -n 1)" "$2"
  check "$1: no table" test ! -e torsion.fit_180 -a ! -e torsion.fit_360
}

# ---- the example ------------------------------------------------------------
fit 0 4 torfitsc "$EX"
same "torfitsc prompt" "$(printf '%s\n' "$OUT" | head -n 1)" " Number of Sin and Cos Terms N (n=1...N):"
# numbers as their shapes: digits 9, a minus after a blank a blank
shapes() { sed -n "$1" | sed 's/ -/  /g; s/E[-+]/E/; s/[0-9]/9/g'; }
same "torfitsc term lines" "$(printf '%s\n' "$OUT" | shapes 12,16p)" \
"        9      9.9999999      9.9999999
 
        9      9.9999999      9.9999999
        9      9.9999999      9.9999999
        9      9.9999999      9.9999999"
same "ks_0 is held at 0" "$(printf '%s\n' "$OUT" | sed -n 12p | cut -c25-)" "      0.0000000"
same "table of 181 lines" "$(wc -l < torsion.fit_180)" 181
same "table of 361 lines" "$(wc -l < torsion.fit_360)" 361
same "first and last angles" "$(sed -n '1p;$p' torsion.fit_360 | cut -d' ' -f3)" "0.0
360.0"
same "180 and 360 tables agree" "$(head -n 181 torsion.fit_360)" "$(cat torsion.fit_180)"
fit 0 4 torfitc "$EX"
same "torfitc prompt" "$(printf '%s\n' "$OUT" | head -n 1)" " Number of Cosine Terms N (n=1...N):"
same "torfitc term lines" "$(printf '%s\n' "$OUT" | shapes 11,15p)" \
"    9    9      9.9999999    9.99999E99
 
    9    9      9.9999999    9.99999E99
    9    9      9.9999999    9.99999E99
    9    9      9.9999999    9.99999E99"
# the fitted series is the one the example was made from, within its noise
k=($(printf '%s\n' "$OUT" | sed -n '11p;13,15p' | awk '{ print $3 }'))
check "coefficients near the source series" awk -v a="${k[*]}" 'BEGIN { split(a, k, " ")
  want[1] = -1.1; want[2] = 4; want[3] = 1; want[4] = 7
  for (i = 1; i <= 4; ++i) if (k[i] - want[i] > 0.3 || want[i] - k[i] > 0.3) exit 1 }'

# ---- refusals ---------------------------------------------------------------------
fit 1 4 torfitc missing.dat
refused "missing profile" ' ERROR: cannot open profile file "missing.dat": No such file or directory'
check "missing profile not created" test ! -e missing.dat
mkdir adir
fit 1 4 torfitc adir
refused "unreadable profile" ' ERROR: cannot read profile file "adir": Is a directory'
printf '0 1 0.1\n10 2\n' > short.dat
fit 1 2 torfitc short.dat
refused "short record" ' ERROR: line 2 of profile file "short.dat": a point needs three values (angle in degrees, energy, uncertainty)'
printf '0 1 0.1\n\n10 2 0.1\n20 x 0.1\n' > word.dat
fit 1 2 torfitsc word.dat
refused "non-numeric field" ' ERROR: line 4 of profile file "word.dat": "x" is not a number'
sed '5s/0\.[0-9]*$/0.0/' "$EX" > zero.dat
fit 1 4 torfitsc zero.dat
refused "zero uncertainty" ' ERROR: line 5 of profile file "zero.dat": the uncertainty 0.0 gives the point no finite weight'
awk 'BEGIN { for (i = 0; i < 500; ++i) print i % 360, 1, 0.1 }' > many.dat
fit 1 2 torfitc many.dat
refused "500 points" " CHECK nsmax"
head -n 499 many.dat > most.dat
fit 0 2 torfitc most.dat
for a in 0 -1 26 x 2.5 ""; do
  fit 1 "$a" torfitsc "$EX"
  refused "torfitsc N '$a'" "$(if [ -z "$a" ]; then echo ' ERROR: no answer on standard input; the number of terms must be an integer from 1 to 25'; else echo " ERROR: the number of terms must be an integer from 1 to 25, not \"$a\""; fi)"
done
fit 1 51 torfitc "$EX"
refused "torfitc N 51" ' ERROR: the number of terms must be an integer from 1 to 50, not "51"'
fit 0 50 torfitc most.dat
head -n 3 "$EX" > three.dat
fit 1 4 torfitc three.dat
refused "fewer points than parameters" " singular matrix."
# the same angle throughout: both n = 0 and n = 1 columns are constant
printf '30 1 0.1\n30 1.2 0.1\n30 0.9 0.1\n' > flat.dat
fit 1 2 torfitc flat.dat
refused "singular normal matrix" " singular matrix."
# singular up to rounding: a pivot negligible against its row stops the fit
# (profile as awk program printing "angle energy sigma" lines | program | N)
while IFS='|' read -r prof prog n; do
  awk "BEGIN { $prof }" > rank.dat
  fit 1 "$n" "$prog" rank.dat
  refused "$prog N=$n on $prof" " singular matrix."
done <<'X'
for (i = 0; i < 36; i++) print 10 * i, 20 + 8 * cos(i / 3), 0.3|torfitc|26
for (i = 0; i < 36; i++) print 10 * i, 20 + 8 * cos(i / 3), 0.3|torfitsc|19
for (i = 0; i < 6; i++) print 60 * i, i % 4, 0.1|torfitc|6
for (i = 0; i < 5; i++) print 40, i, 0.1|torfitc|2
print 0, 1, 0.1; print 180, 2, 0.1; print 360, 1.5, 0.1|torfitsc|2
X
# the most terms the 36 points determine; every variance is positive
fit 0 19 torfitc "$EX"
check "variances of 19 terms are positive" test -z "$(printf '%s\n' "$OUT" | sed -n '11p;13,30p' | awk '$4 + 0 <= 0')"
rm torsion.fit_180 torsion.fit_360
# a table that cannot be written: neither is written (none is created)
mkdir torsion.fit_360
fit 1 3 torfitc "$EX"
same "unwritable table" "$OUT" ' Number of Cosine Terms N (n=1...N):
 ERROR: cannot create file "torsion.fit_360": Is a directory'
check "no torsion.fit_180 beside it" test ! -e torsion.fit_180
rmdir torsion.fit_360
full=$( (ulimit -f 0; trap '' XFSZ; "$BIN/torfitc" "$EX" < answer.txt > out.txt; echo "status $?") 2>&1)
contains "failed write of the listing" "$full" "status 1"
