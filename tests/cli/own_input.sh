# Every program that writes a named file refuses to write over one of its
# inputs (a named file or the file on standard input), under any name of it:
# status 1, a message naming both, the input unchanged and nothing written.
"$BIN/espformat" < "$SRC/examples/esp/formaldehyde.esp" > f.dat
"$BIN/chgfit" < f.dat > /dev/null
cp esp.chg f.chg
cp "$SRC/examples/torsion/butane_scan.dat" scan.dat
ln -s f.dat f.link
ln f.chg f.hard
# inputs that are not what the program reads still must not be overwritten
printf '4\n' > torsion.fit_180
printf '4\n' > answer

# case <input that must stay> <standard input> <message end> <program> [args...]
case_() {
  local keep=$1 stdin=$2 msg=$3 prog=$4
  shift 4
  cp "$keep" keep.copy
  OUT=$("$BIN/$prog" "$@" < "$stdin" 2> "$WORK/.stderr")
  same "$prog $* < $stdin: status" "$?" 1
  same "$prog $* < $stdin: message" "$OUT" " ERROR: the output file $msg; writing it would destroy the input"
  check "$prog $* < $stdin: $keep unchanged" cmp -s "$keep" keep.copy
}
d="10 30 40"
case_ f.dat /dev/null '"f.dat" is the input file "f.dat"' espview f.dat f.chg f.dat $d 1 -1 1
case_ f.chg /dev/null '"f.chg" is the input file "f.chg"' espview f.dat f.chg f.chg $d 1 -1 1
case_ f.dat /dev/null '"f.link" is the input file "f.dat"' espview f.dat f.chg f.link $d 0 -1 1
case_ f.chg /dev/null '"./f.hard" is the input file "f.chg"' espview f.dat f.chg ./f.hard $d 2 -1 1
cp scan.dat torsion.fit_360
case_ torsion.fit_360 answer '"torsion.fit_360" is the input file "torsion.fit_360"' torfitc torsion.fit_360
case_ torsion.fit_180 torsion.fit_180 '"torsion.fit_180" is the file on standard input' torfitsc scan.dat
case_ torsion.fit_180 torsion.fit_180 '"torsion.fit_180" is the file on standard input' torfitc scan.dat
rm torsion.fit_360
check "no table beside the refusals" test ! -e torsion.fit_360
case_ esp.chg esp.chg '"esp.chg" is the file on standard input' chgfit
cp f.dat esp.delq
case_ esp.delq esp.delq '"esp.delq" is the file on standard input' chgfit
ln -sf esp.delq pot.link
case_ esp.delq pot.link '"esp.delq" is the file on standard input' chgfit
check "chgfit wrote no charges" cmp -s esp.chg f.chg

# the same programs with distinct files still run
OUT=$("$BIN/torfitc" scan.dat < answer)
same "torfitc with distinct files" "$?" 0
OUT=$("$BIN/chgfit" < f.dat)
same "chgfit with distinct files" "$?" 0
OUT=$("$BIN/espview" f.dat f.chg f.pov 10 30 40 1 -1 1)
same "espview with distinct files" "$?" 0
