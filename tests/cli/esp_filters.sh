# Filters of the charge and potential tools that read standard input:
# chgfit, espformat, espextract, vdwsurf, gepolformat, pickxyz.

# feed <status> <input-file> <program> [args...]: like run, with standard input.
feed() {
  local want=$1 in=$2 prog=$3
  shift 3
  OUT=$("$BIN/$prog" "$@" < "$in" 2> "$WORK/.stderr")
  STATUS=$?
  same "$prog $* < $in: status" "$STATUS" "$want"
}

# pot <file> <q1,q2,...> <atoms as "x y z;..."> <points>: a potential file of
# point charges at the atoms (bohr, atomic units; chgfit's unit factors).
pot() {
  awk -v q="$2" -v at="$3" -v np="$4" 'BEGIN {
    n = split(q, Q, ","); split(at, A, ";")
    printf "%d %d\n", n, np
    for (i = 1; i <= n; i++) { split(A[i], X, " "); ax[i] = X[1]; ay[i] = X[2]; az[i] = X[3]; print A[i] }
    for (j = 0; j < np; j++) {
      z = 1 - 2 * (j + 0.5) / np; s = sqrt(1 - z * z); p = j * 2.399963
      x = 9 * s * cos(p); y = 9 * s * sin(p); z = 9 * z + 1; v = 0
      for (i = 1; i <= n; i++) v += Q[i] / (sqrt((x-ax[i])^2 + (y-ay[i])^2 + (z-az[i])^2) * 0.529177)
      printf "%.15e %.15e %.15e %.15e\n", v / 1.889674, x, y, z
    }
  }' > "$1"
}

# ---- chgfit: the whole output of a two-atom fit -----------------------------
pot two.dat 0.2,-0.2 "0 0 0;0 0 2.5" 30
feed 0 two.dat chgfit
same "chgfit output" "$OUT" "

 ===============================================
 Berechnung der Atomladungen eines Molekuels bei 
 vorgegebenem Oberflaechenpotential
 ===============================================

 Maximale Anzahl an Iterationsschritten: 100

 Genauigkeitsgrenze der Iterationsrechnung: 1E-10

 Die Iterationsergebnisse fuer die Ladungen werden
 in die Datei LADUNG.DAT geschrieben !

 Anzahl Atome:   2

 Anzahl Oberflaechenpunkte:   30

 Iterationsschritt:     1

 Iterationsschritt:     2


 Die Iteration liefert folgende Ergebnisse fuer die
 Ladungen der Atome:

    Atom  1:  0.2000
    Atom  2: -0.2000"
same "esp.chg of two atoms" "$(cat esp.chg)" "  0.200000 -0.200000"
same "esp.delq holds the last correction" "$(wc -l < esp.delq)" "1"

# 5000 points through espformat (the counts stay apart) and chgfit
pot big.free 0.3,-0.5,0.2 "0 0 0;0 0 2.3;1.7 0 -0.9" 5000
sed -i '1s/$/ 7/' big.free
feed 0 big.free espformat
printf '%s\n' "$OUT" > big.dat
same "counts line of 5000 points" "$(head -n 1 big.dat)" "    3 5000    7"
feed 0 big.dat chgfit
contains "5000 points read" "$OUT" " Anzahl Oberflaechenpunkte: 5000"
same "charges of 5000 points" "$(cat esp.chg)" "  0.300000 -0.500000  0.200000"

# result files that cannot be written
mkdir -p busy/esp.chg
cd busy
feed 1 ../two.dat chgfit
same "esp.chg refused" "$(tail -n 1 <<< "$OUT")" ' ERROR: cannot create file "esp.chg": Is a directory'
cd ..
OUT=$(ulimit -f 0; trap '' XFSZ; "$BIN/chgfit" < two.dat 2>&1)
same "esp.chg on a full disk" "$?: $(tail -n 1 <<< "$OUT")" '1:  ERROR: cannot write file "esp.chg": File too large'

# refusals: message ("*" matches any text), status 1, no esp.chg, esp.delq kept
bad() {  # bad <input text> <message>
  printf '%b' "$1" > bad.in
  rm -f esp.chg
  echo "old correction" > esp.delq
  feed 1 bad.in chgfit
  local last=${OUT##*$'\n'}
  # shellcheck disable=SC2053
  [[ $last == $2 ]] && last=$2
  same "chgfit refuses: $2" "$last" "$2"
  check "no esp.chg after: $2" test ! -e esp.chg
  same "esp.delq kept after: $2" "$(cat esp.delq)" "old correction"
}
bad "1 3\n0 0 0\n" " ERROR: standard input, line 1: at least 2 atoms are needed (the last carries minus the sum of the others)"
bad "3 1\n" " ERROR: standard input, line 1: 1 points cannot determine 2 free charges"
bad "102 200\n" " ERROR: standard input: 102 atoms, at most 101 allowed (natchgmax in tvl_const)"
bad "2 12001\n" " ERROR: standard input: 12001 points, at most 12000 allowed (nptchgmax in tvl_const)"
bad "2 x\n" ' ERROR: standard input, line 1: "x" is not an integer (numbers of atoms and points)'
bad "2 1\n0 0\n0 0 1\n1 5 5 5\n" " ERROR: standard input, line 2: record cut short: 3 numbers expected (x, y, z of atom 1)"
bad "2 2\n0 0 0\n0 0 1\n0.1 5 5 5\n" " ERROR: standard input ends early: potential and x, y, z of point 2 expected at line 5"
bad "2 1\n0 0 0\n0 0 1\n0.1 0 0 1e0\n" " ERROR: standard input: point 1 lies on atom 2"
bad "" " ERROR: standard input ends early: numbers of atoms and points expected at line 1"
pot coinc.dat 0.1,0.1,-0.2 "0 0 0;0 0 0;0 0 2" 40
bad "$(cat coinc.dat)\n" " Singular matrix."
bad "3 3\n0 0 0\n0 0 1\n0 0 2\n0.1 5 5 5\n0.1 5 5 5\n0.1 5 5 5\n" " Singular matrix."
# a regular fit whose charges do not fit their fields: said as it is
pot large.dat 2000,-2000 "0 0 0;0 0 2.5" 30
bad "$(cat large.dat)\n" " ERROR: the value * (charge 1) does not fit the field F10.6 of esp.chg"
pot edge.dat 99.99999,-99.99999 "0 0 0;0 0 2.5" 30
bad "$(cat edge.dat)\n" " ERROR: the value -99.99999* (charge 2) does not fit the field F8.4 of the result lines"

# ---- espextract ---------------------------------------------------------------
listing="$DATA/esp/listing.log"
want_dat="    3   2    0
                   0.0000000E+00   0.0000000E+00   0.2225909E+00
                   0.0000000E+00   0.1427600E+01  -0.8903656E+00
                   0.0000000E+00  -0.1427600E+01  -0.8903656E+00
   0.1111100E-01   0.1889727E+01   0.0000000E+00   0.0000000E+00
  -0.2222200E-01   0.0000000E+00   0.1889727E+01   0.3779454E+01"
feed 0 "$listing" espextract
same "espextract output" "$OUT" "$want_dat"
printf '%s\n' "$OUT" > x.dat
feed 0 x.dat espformat
same "espformat reproduces espextract" "$OUT" "$want_dat"
# the section is found however far down it stands
{ seq 100005; cat "$listing"; } > late.log
feed 0 late.log espextract
same "section after 100005 lines" "$OUT" "$want_dat"
# incomplete listings: what is complete, then a message
seq 20 > none.log
feed 1 none.log espextract
same "no section" "$OUT" "    0   0    0
 ERROR: standard input: no section \"Electrostatic Properties Using The ...\" found"
head -n 20 "$listing" > cut.log
feed 1 cut.log espextract
same "cut in the potentials" "$OUT" "    2   0    0
$(printf '%s\n' "$want_dat" | sed -n 2,3p)
 ERROR: standard input ends within the potential lines"
sed 22d "$listing" > short.log
feed 1 short.log espextract
same "fewer potentials than centres" "$(printf '%s\n' "$OUT" | sed -n '1p;$p')" "    3   1    0
 ERROR: standard input: 5 centres but 4 potential lines"

# ---- espformat ---------------------------------------------------------------
printf '1 1 0\n0 0 0\n1 2 3\n' > odd.free
feed 1 odd.free espformat
same "espformat: a record short" "$OUT" " ERROR: standard input ends early: potential and x, y, z of point 1 expected at line 3"
printf '1 0 0\n0 zero 0\n' > odd.free
feed 1 odd.free espformat
same "espformat: not a number" "$OUT" ' ERROR: standard input, line 2: "zero" is not a number (x, y, z of atom 1)'
printf '50000 50001 0\n' > odd.free
feed 1 odd.free espformat
same "espformat: too many centres" "$OUT" " ERROR: standard input: 100001 centres (atoms and points), at most 100000 allowed (ncentmax in tvl_const)"

# ---- vdwsurf, gepolformat, pickxyz ------------------------------------------
printf '3\nwater and a chlorine\n8 0 0 0.1\n1 0 0.75 -0.47\n17 0 -0.75 -0.47\n' > atoms.in
feed 1 atoms.in vdwsurf 1.2 3
same "vdwsurf" "$OUT" " VAN DER WAALS SURFACE - VDWSURF
SIN VES NSU SFY
 3
   3
   0.00000   0.00000   0.10000   1.68000 1
   0.00000   0.75000  -0.47000   1.44000 1
 ERROR: Van der Waals radius of Element 17 is not defined
   0.00000  -0.75000  -0.47000   0.00000 1"
head -n 4 atoms.in | sed 1s/3/2/ > two.in
for lv in 0 9 ""; do
  feed 0 two.in vdwsurf "" $lv
  same "vdwsurf level '$lv' is 5" "$(sed -n 3p <<< "$OUT")" " 5"
done
run 2 vdwsurf 1.x
printf 'title\nSIN VES\n3\n2\n1 2 3 1.4 1\n-1.5,2,3,1.2,0\n' > gepol.in
feed 0 gepol.in gepolformat
same "gepolformat" "$OUT" "$(printf '%-80s\n%-80s' title 'SIN VES')
 3
   2
   1.00000   2.00000   3.00000   1.40000 1
  -1.50000   2.00000   3.00000   1.20000 0"
sed 6d gepol.in > gepol.cut
feed 1 gepol.cut gepolformat
contains "gepolformat cut short" "$OUT" "ends early: x, y, z, radius and flag of atom 2"
{ seq 6; awk 'BEGIN { for (i = 1; i <= 100010; i++) print i, i / 100000, -0.25, 0.5 }'; } > points.lst
feed 0 points.lst pickxyz 7
same "pickxyz 7" "$OUT" "  0.00007000 -0.25000000  0.50000000"
feed 0 points.lst pickxyz 100008
same "pickxyz reads past 100000 lines" "$OUT" "  1.00008000 -0.25000000  0.50000000"
feed 0 points.lst pickxyz
same "pickxyz: all points" "$(wc -l <<< "$OUT")" "100010"
feed 1 points.lst pickxyz 100011
same "pickxyz: an index no point has" "$OUT" " ERROR: standard input holds no point numbered 100011"

# ---- truncated inputs: cut after every line and inside every line -----------
cut_all() {  # cut_all <input> <program> [args]
  local in=$1 n len k st; shift
  len=$(wc -c < "$in")
  for k in $(seq 0 $((len / 40 + 1)) "$len") $(awk '{ s += length($0) + 1; print s }' "$in"); do
    head -c "$k" "$in" > cut.in
    "$BIN/$1" "${@:2}" < cut.in > cut.out 2>&1
    st=$?
    if [ "$st" -gt 1 ] || grep -q -E "Sanitizer|runtime error" cut.out; then
      same "$* on the first $k bytes of $in" "status $st" "status 0 or 1"
      return
    fi
  done
  check "$* on cut inputs" true
}
cut_all two.dat chgfit
cut_all x.dat espformat
cut_all "$listing" espextract
cut_all atoms.in vdwsurf
cut_all gepol.in gepolformat
head -n 30 points.lst > p30.lst
cut_all p30.lst pickxyz 3
