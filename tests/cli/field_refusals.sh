# Values that do not fit their field, or are not finite, are refused with a
# message naming the value and the field (exit 1); no output holds asterisks,
# NaN or Infinity, and no file is written. One table of bad values per field.
site() { printf '1 1 1\n1\n\nm\n1 1 1\ns\n%15s%15s%15s\n%15s%15s%15s\n\n' "$@"; }  # x y z vx vy vz
printf '2 2\n0 0 0\n2 0 0\n0.1 0 0 9\n0.1 0 0 9\n' > v.dat
printf '2 2\n0 0 0\n2 0 0\n0.1 0 0 9\n0.1 0 2e8 9\n' > far.dat
printf '2 1\n1e8 0 0\n1e8 0 1\n0.1 0 0 9\n' > bond.dat
printf '  0.100000 -0.100000\n' > v.chg
awk 'BEGIN { for (i = 0; i < 36; i++) print 10 * i, 1e9 * (1 + cos(i / 18 * 3.14159265)), 1 }' > huge.dat
sed 's/Center    5 is at   0.000000  1.000000/Center    5 is at   0.000000  3.0E+38 /' "$DATA/esp/listing.log" > big.log

# program and arguments | standard input (printf format, or "<file") | the message after
# " ERROR: the value " (a "*" matches any text)
while IFS='|' read -r cmd input msg; do
  case "$input" in
    '<'*) cp "${input#<}" in.txt ;;
    site*) site ${input#site } > in.txt ;;
    *) printf "$input" > in.txt ;;
  esac
  rm -f x.pov torsion.fit_180 torsion.fit_360
  # shellcheck disable=SC2086
  OUT=$("$BIN"/$cmd < in.txt 2> "$WORK/.stderr")
  same "$cmd < $input: status" "$?" 1
  last=$(printf '%s\n' "$OUT" | tail -n 1)
  # shellcheck disable=SC2053
  [[ $last == " ERROR: the value "$msg ]] && last=" ERROR: the value $msg"
  same "$cmd < $input: message" "$last" " ERROR: the value $msg"
  check "$cmd < $input: no overflow, no file" test -z "$(printf '%s\n' "$OUT" | sed '$d' | grep -E '\*\*|NaN|Inf')" \
    -a ! -e x.pov -a ! -e torsion.fit_180
done <<'X'
structpdb|site 1000.0 0 0 0 0 0|10000.0 (x of site 1) does not fit the field F8.3 of the PDB records
structpdb|site 0 -100.0 0 0 0 0|-1000.0 (y of site 1) does not fit the field F8.3 of the PDB records
structpdb|site 0 0 0 45.0 0 0|1012.5 (B-factor of site 1) does not fit the field F6.2 of the PDB records
structpdb|site 0 0 0 0 1.0E+200 0|Infinity (B-factor of site 1) does not fit the field F6.2 of the PDB records
vdwsurf|1\nt\n8 -1000 0 0\n|-1000.0 (x of atom 1) does not fit the field F10.5 of the surface input
vdwsurf|1\nt\n8 0 99999.999996 0\n|99999.999996 (y of atom 1) does not fit the field F10.5 of the surface input
vdwsurf|1\nt\n8 0 0 1e300\n|1.0E+300 (z of atom 1) does not fit the field F10.5 of the surface input
vdwsurf 1e6|1\nt\n6 0 0 0\n|1500000.0 (radius of atom 1) does not fit the field F10.5 of the surface input
gepolformat|t\nk\n3\n1\n12345.6 0 0 1 1\n|12345.6 (x of atom 1) does not fit the field F10.5 of the surface input
gepolformat|t\nk\n3\n1\n0 0 0 100000 1\n|100000.0 (radius of atom 1) does not fit the field F10.5 of the surface input
pickxyz|1\n2\n3\n4\n5\n6\n7 1234.5 0 0\n|1234.5 (x of point 7) does not fit the field F12.8 of the output
pickxyz|1\n2\n3\n4\n5\n6\n7 0 0 1e300\n|1.0E+300 (z of point 7) does not fit the field F12.8 of the output
torfitc huge.dat|2\n|* (k_1) does not fit the field F15.7 of the listing
torfitsc huge.dat|2\n|* (kc_1) does not fit the field F15.7 of the listing
respconv + in.txt|  0.500000  123456.7\n|123456.7 (charge 2) does not fit the field F12.6 of the free layout
respconv + in.txt|     1e300|1.0E+300 (charge 1) does not fit the field F12.6 of the free layout
espview v.dat v.chg x.pov 1e9 90 0 1 -1 1||* (z of the camera) does not fit the field F12.4 of the scene file
espview v.dat v.chg x.pov 6e6 90 90 1 -1 1||* (x of a light) does not fit the field F12.4 of the scene file
espview bond.dat v.chg x.pov 10 90 0 0 -1 1||52917700.0 (x of atom 1) does not fit the field F12.4 of the scene file
espview far.dat v.chg x.pov 10 90 0 1 -1 1||105835400.0 (y of point 2) does not fit the field F12.4 of the scene file
espview v.dat v.chg x.pov 10 90 0 1 -1e7 1e7||-10000000.0 (lower end of white) does not fit the field F10.4 of the legend
espview v.dat v.chg x.pov 10 90 0 1 -1 2e5||* (upper end of green) does not fit the field F10.4 of the legend
espview v.dat v.chg x.pov 10 90 0 0 -1e308 1e308||NaN (lower end of white) does not fit the field F10.4 of the legend
espextract|<big.log|Infinity (y of point 2) does not fit the field E16.7 of the potential file
X
