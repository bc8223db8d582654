# Every program that writes a named file refuses to write over an input (a
# named file under any name, or the file on standard input): status 1, a
# message naming both, the input unchanged and nothing written.
"$BIN/espformat" < "$SRC/examples/esp/formaldehyde.esp" > f.dat
"$BIN/chgfit" < f.dat > fit.out
cp esp.chg f.chg
ln -s f.dat f.link
ln f.chg f.hard
printf '4\n' > answer
printf '4\n' > torsion.fit_180
cp "$SRC/examples/torsion/butane_scan.dat" torsion.fit_360
cp f.dat esp.delq
ln -s esp.delq pot.link
: > none
d="10 30 40 1 -1 1"
# input that must stay | standard input | program and arguments | message end
while IFS='|' read -r keep stdin cmd msg; do
  cp "$keep" keep.copy
  # shellcheck disable=SC2086
  OUT=$("$BIN"/$cmd < "$stdin" 2> "$WORK/.stderr")
  same "$cmd < $stdin" "$?:$OUT" "1: ERROR: the output file $msg; writing it would destroy the input"
  check "$cmd < $stdin: $keep unchanged" cmp -s "$keep" keep.copy
done <<X
f.dat|none|espview f.dat f.chg f.dat $d|"f.dat" is the input file "f.dat"
f.chg|none|espview f.dat f.chg f.chg $d|"f.chg" is the input file "f.chg"
f.dat|none|espview f.dat f.chg f.link $d|"f.link" is the input file "f.dat"
f.chg|none|espview f.dat f.chg ./f.hard $d|"./f.hard" is the input file "f.chg"
torsion.fit_360|answer|torfitc torsion.fit_360|"torsion.fit_360" is the input file "torsion.fit_360"
torsion.fit_180|torsion.fit_180|torfitsc f.dat|"torsion.fit_180" is the file on standard input
esp.chg|esp.chg|chgfit|"esp.chg" is the file on standard input
esp.delq|pot.link|chgfit|"esp.delq" is the file on standard input
X
check "nothing written beside the refusals" cmp -s esp.chg f.chg
