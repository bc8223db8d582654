# respconv and espview: charge files both ways, the POV-Ray scene and its
# rendering, refusals and cut inputs.

# ---- respconv -----------------------------------------------------------------
printf '%s\n' "  0.100000 -0.200000  0.300000 -0.400000  0.500000 -0.600000  0.700000 -0.800000" \
  "  0.400000  0.000000" > ten.chg
run 0 respconv + ten.chg
same "respconv + keeps a charge of 0.0" "$OUT" "  10
    1    0.100000
    2   -0.200000
    3    0.300000
    4   -0.400000
    5    0.500000
    6   -0.600000
    7    0.700000
    8   -0.800000
    9    0.400000
   10    0.000000"
printf '%s\n' "$OUT" > ten.free
run 0 respconv - ten.free
printf '%s\n' "$OUT" > ten.back
check "respconv + then - gives the file back" cmp -s ten.chg ten.back
printf '9\n' > nine.free
for i in $(seq 9); do echo "$i 0.0$i" >> nine.free; done
run 0 respconv - nine.free
same "respconv - of 9 charges" "$OUT" "  0.010000  0.020000  0.030000  0.040000  0.050000  0.060000  0.070000  0.080000
  0.090000"
: > empty.chg
run 0 respconv + empty.chg
same "empty file: count 0" "$OUT" "  0"
awk 'BEGIN { for (i = 1; i <= 102; i++) printf "%10.6f%s", 0.001 * i, (i % 8 ? "" : "\n"); print "" }' > many.chg
head -n 13 many.chg | sed '$s/.\{10\}$//' > full.chg  # 101 charges, as many as a fit writes
run 0 respconv + full.chg
same "101 charges accepted" "$(head -n 1 <<< "$OUT")" "  101"

# refusals: status 1 and the message; usage: status 2
refuse() {  # refuse <status> <message> <args...>
  local want=$1 msg=$2; shift 2
  run "$want" respconv "$@"
  same "respconv $*" "$OUT" "$msg"
}
usage=" Syntax: respconv <+/-> <file.chg> 
         <+> - RESP-Format -> Free Format
         <-> - Free Format -> RESP-Format"
printf '%s\n' "  0.100000          0.300000" > gap.chg
printf '3\n1 0.1\n2 0.2\n' > short.free
printf '102\n' > big.free
printf '1\n1 1234.5\n' > wide.free
refuse 1 ' ERROR: "many.chg": 102 charges, at most 101 allowed (nchgmax in tvl_const)' + many.chg
refuse 1 ' ERROR: "gap.chg", line 1: columns 11-20: blank field before further charges' + gap.chg
# text after the eighth field is no charge to drop silently; blanks there are nothing
for after in "  0.900000|81-90" "            x|81-93" "          |"; do
  printf '%s%s\n  0.400000\n' "$(head -n 1 ten.chg)" "${after%|*}" > after.chg
  [ -n "${after#*|}" ] && refuse 1 " ERROR: \"after.chg\", line 1: columns ${after#*|}: text after the eighth field" + after.chg
done
run 0 respconv + after.chg
same "blanks after the eighth field" "$(head -n 1 <<< "$OUT")" "  9"
refuse 1 ' ERROR: "short.free" ends early: atom number and charge 3 of 3 expected at line 4' - short.free
refuse 1 ' ERROR: "big.free": 102 charges, at most 101 allowed (nchgmax in tvl_const)' - big.free
refuse 1 ' ERROR: "wide.free", line 2: charge does not fit 10 columns with 6 decimals' - wide.free
refuse 1 ' ERROR: cannot open file "missing.chg": No such file or directory' + missing.chg
check "respconv creates no missing input" test ! -e missing.chg
refuse 1 ' ERROR: cannot read ".": Is a directory' + .
refuse 2 "$usage"
refuse 2 "$usage" +
refuse 2 "$usage" x ten.chg
refuse 0 "$usage" -h

# ---- espview ------------------------------------------------------------------
# three atoms 1.5 A (bonded) and 1.7 A (not bonded) from the first; two points
printf '3 2\n0 0 0\n2.834590316662 0 0\n-3.212535692216 0 0\n0 0 0 9\n0.01 0 9 0\n' > v.dat
printf '  0.200000 -0.100000 -0.100000\n' > v.chg
run 0 espview v.dat v.chg v.pov 10 90 0 1 -0.9 0.1
same "scene" "$(cat v.pov)" '#include "shapes.inc"
#include "colors.inc"
#include "textures.inc"

background { color red 0.0 green 0.0 blue 0.0 }
camera {
   location  <      0.0000,      0.0000,     10.0000>
   direction <0, 0, 3.5 >
   right <1.388, 0, 0 >
   look_at <      0.0000,      0.0000,      0.0000> }
light_source { <      9.5885,      0.0000,     17.5517>
color red 0.7  green 0.7 blue 0.7}
light_source { <     -9.5885,      0.0000,     17.5517>
color red 0.7  green 0.7 blue 0.7}
cylinder{
      <      0.0000,      0.0000,      0.0000>
      <      1.5000,      0.0000,      0.0000>
      0.12  finish{ ambient 0.2  diffuse 0.8  phong 1}
      pigment { color red 0.0 green 1.0 blue 0.0 }
}
sphere {      <      0.0000,      4.7626,      0.0000> , 0.08
     pigment { color red   1.0000 green   0.0000 blue   0.0000 }
     finish {
        ambient 0.2
        diffuse 0.6
        phong 1
        phong_size 100
     }
}
sphere {      <      0.0000,      0.0000,      4.7626> , 0.08
     pigment { color red   1.0000 green   0.0000 blue   0.0000 }
     finish {
        ambient 0.2
        diffuse 0.6
        phong 1
        phong_size 100
     }
}'
same "legend" "$OUT" "
  ESPVIEW

     Colour coding: (Energies in kJ/mol)

     white:     -0.9000 -    -0.8000
     grey:      -0.8000 -    -0.7000
     magenta:   -0.7000 -    -0.6000
     blue:      -0.6000 -    -0.5000
     cyan:      -0.5000 -    -0.4000
     green:     -0.4000 -    -0.3000
     yellow:    -0.3000 -    -0.2000
     orange:    -0.2000 -    -0.1000
     brown:     -0.1000 -    -0.0000
     red:       -0.0000 -     0.1000"
# a potential of 0 at exactly the single-precision 0.9 of the scale is brown
run 0 espview v.dat v.chg b.pov 10 90 0 1 -0.89999997615814209 0.10000002384185791
same "h at the single-precision 0.9 is brown" "$(grep -m 1 '^     pigment' b.pov)" \
  "     pigment { color red   0.6500 green   0.3200 blue   0.1410 }"
run 0 espview v.dat v.chg s0.pov 10 90 0 0 -1 1
same "switch 0: no sphere" "$(grep -c sphere s0.pov)" "0"
# on the vertical axis the camera is moved off it, by a written digit
for th in 0 180; do
  run 0 espview v.dat v.chg t.pov 1000 "$th" 45 0 -1 1
  contains "theta $th off the axis" "$(grep location t.pov)" "      0.0001>"
done

usage_v=$("$BIN/espview" -h)
espview_refuses() {  # espview_refuses <status> <message> <args...>
  local want=$1 msg=$2; shift 2
  run "$want" espview "$@"
  same "espview $*" "$OUT" "$msg"
}
espview_refuses 2 "$usage_v"
espview_refuses 2 "$usage_v" "" v.chg x.pov 10 0 0 1 -1 1
espview_refuses 2 "$usage_v" v.dat v.chg x.pov 10 0 0 4 -1 1
espview_refuses 2 " ERROR: the distance <1> must be at least 0.0001 A: the camera cannot stand in the molecule's centre" v.dat v.chg x.pov 0 0 0 1 -1 1
espview_refuses 2 " ERROR: the upper end <6> of the scale must differ from the lower end <5>" v.dat v.chg x.pov 10 0 0 1 1 1
# with switch 0 no colour is computed: equal ends are a scale of one value
run 0 espview v.dat v.chg one.pov 10 0 0 0 2 2
same "switch 0, equal ends: the legend" "$(sed -n '6p;15p' <<< "$OUT")" "     white:      2.0000 -     2.0000
     red:        2.0000 -     2.0000"
# a charge file with more charges than the molecule has atoms is another molecule's
for more in "  0.000000|1: columns 31-40" "\n\n  0.1|3: columns 1-10"; do
  printf "$(cat v.chg)${more%|*}\n" > more.chg
  espview_refuses 1 " ERROR: \"more.chg\", line ${more#*|}: more than the 3 charges expected (one per atom): the file belongs to another molecule" \
    v.dat more.chg x.pov 10 0 0 1 -1 1
done
printf '  0.200000 -0.100000 -0.100000   \n\n  \n' > v2.chg
run 0 espview v.dat v2.chg v2.pov 10 90 0 1 -0.9 0.1
check "blanks after the charges are nothing" cmp -s v.pov v2.pov
espview_refuses 2 ' ERROR: argument <2> "ten" is not a number' v.dat v.chg x.pov 10 ten 0 1 -1 1
cp v.chg keep.chg
espview_refuses 1 ' ERROR: "v.chg", line 1: "0.200000" is not an integer (numbers of atoms and points)' v.chg v.dat keep.chg 10 0 0 1 -1 1
check "swapped arguments leave the charge file" cmp -s v.chg keep.chg
printf '  0.200000 -0.100000\n' > blank.chg
espview_refuses 1 ' ERROR: "blank.chg", line 1: columns 21-30: charge 3 is blank' v.dat blank.chg x.pov 10 0 0 1 -1 1
printf '1001 0\n' > many.dat
espview_refuses 1 ' ERROR: "many.dat": 1001 atoms, at most 1000 allowed (natviewmax in tvl_const)' many.dat v.chg x.pov 10 0 0 1 -1 1
check "no scene after refusals" test ! -e x.pov
espview_refuses 1 ' ERROR: cannot create file "no/dir/x.pov": No such file or directory' v.dat v.chg no/dir/x.pov 10 0 0 1 -1 1

# ---- the scenes render with POV-Ray ---------------------------------------------
check "povray is installed" command -v povray
"$BIN/espformat" < "$SRC/examples/esp/formaldehyde.esp" > f.dat
"$BIN/chgfit" < f.dat > /dev/null
for args in "30 75 70 1 -60 60" "30 0 0 3 -5 5" "30 180 0 2 -60 60"; do
  # shellcheck disable=SC2086
  run 0 espview f.dat esp.chg f.pov $args
  povray +If.pov +Of.png +W64 +H48 -D > povray.log 2>&1
  same "povray renders switch/angles $args" "$?" "0"
  check "picture of $args" test -s f.png
  check "no povray error ($args)" test -z "$(grep -E 'Fatal error|Render failed|Parse Error:' povray.log | grep -v 'Possible Parse Error')"
  rm -f f.png
done

# ---- cut inputs never crash -----------------------------------------------------
printf '%s\n' "$(cat ten.free)" > t.free
for k in $(seq 0 "$(wc -c < f.dat | awk '{ print int($1 / 60) }')" "$(wc -c < f.dat)") ; do
  head -c "$k" f.dat > c.dat
  head -c "$((k % 120))" ten.chg > c.chg
  head -c "$((k % 140))" t.free > c.free
  for cmd in "espview c.dat esp.chg c.pov 9 9 9 1 -1 1" "espview f.dat c.chg c.pov 9 9 9 1 -1 1" \
             "respconv + c.chg" "respconv - c.free"; do
    # shellcheck disable=SC2086
    "$BIN"/$cmd > c.out 2>&1
    st=$?
    if [ "$st" -gt 1 ] || grep -q -E "Sanitizer|runtime error" c.out; then
      same "$cmd on $k bytes" "status $st" "status 0 or 1"
      break 2
    fi
  done
done
check "cut charge and potential files" true
