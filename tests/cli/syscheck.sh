# syscheck: summaries of valid files, help and usage, the surface section,
# warnings, and damaged files.

# ---- the two examples: exact summaries ----
cp "$SRC/examples/spce.sys" "$SRC/examples/ethanol.sys" .
run 0 syscheck spce.sys
same "water summary" "$OUT" ' ...reading sites
 ...reading Lorentz-Berthelot LJ definitions
 ...defining molecule  1
 ...reading configuration
 ...reading constraints
 ...reading excluded pairs
 ...reading build-section
 SYSTEM FILE "spce.sys" SUCCESSFULLY PROCESSED
 SIM PARAMETERS INTIALISED

System file: spce.sys
Site types: 2
    no  name            charge        mass   sigma/A  epsilon/K
     1  ow           -0.847600   15.999400    3.1656    78.1970
     2  hw            0.423800    1.008000    0.0000     0.0000
Molecule types: 1
  type 1: water
    sites 3, degrees of freedom 6
    constraints 3, exclusions 3, intramolecular pairs 0
    harmonic bonds 0, Morse bonds 0
    angles 0, linear angles 0
    improper dihedrals 0, proper dihedrals 0
    non-bonded pairs 0, virtual sites 0
Build: frac entries 1, duplicate 6 6 6
  molecules 216, sites 648
  cell (nm):     0.31034     0.31034     0.31034
Umbrella entries: 0
Efg entries: 0'

run 0 syscheck ethanol.sys
same "ethanol summary" "$(printf '%s\n' "$OUT" | sed -n '/^System file/,$p')" 'System file: ethanol.sys
Site types: 5
    no  name            charge        mass   sigma/A  epsilon/K
     1  c3           -0.180000   12.011000    3.5000    33.2100
     2  c2            0.145000   12.011000    3.5000    33.2100
     3  hc            0.060000    1.008000    2.5000    15.1000
     4  oh           -0.683000   15.999000    3.1200    85.5400
     5  ho            0.418000    1.008000    0.0000     0.0000
Molecule types: 1
  type 1: ethanol
    sites 9, degrees of freedom 27
    constraints 0, exclusions 33, intramolecular pairs 3
    harmonic bonds 8, Morse bonds 0
    angles 13, linear angles 0
    improper dihedrals 0, proper dihedrals 12
    non-bonded pairs 12, virtual sites 0
Build: frac entries 1, duplicate 2 2 2
  molecules 8, sites 72
  cell (nm):     2.00000     2.00000     2.00000
Umbrella entries: 0
Efg entries: 0'
check "input file unchanged" cmp -s ethanol.sys "$SRC/examples/ethanol.sys"

# a summary that cannot be written is an error, not a success
if [ -w /dev/full ]; then
  "$BIN/syscheck" spce.sys >/dev/full 2>full.err
  same "full standard output: status" "$?" 1
  same "full standard output: message" "$(cat full.err)" "ERROR: cannot write standard output: No space left on device"
fi

# ---- help and usage ----
run 0 syscheck -h
contains "help" "$OUT" "usage: syscheck [-surface] <system-file>"
run 2 syscheck
contains "usage without arguments" "$OUT" "usage: syscheck"
run 2 syscheck -x spce.sys
contains "unknown option" "$OUT" "syscheck: unknown option -x"
run 2 syscheck spce.sys ethanol.sys
contains "two files" "$OUT" "only one system file"
long=$(printf 'x%.0s' $(seq 1 129))
run 2 syscheck "$long"
contains "long argument refused" "$OUT" "129 characters"
run 2 syscheck "" " "
same "blank arguments name no file" "$(printf '%s\n' "$OUT" | head -1)" "usage: syscheck [-surface] <system-file>"
run 0 syscheck "" spce.sys
contains "blank argument beside a file" "$OUT" "System file: spce.sys"
run 1 syscheck -
same "no file named" "$OUT" "ERROR: No SYSTEM-file specified"

# ---- no ecell line: no invented cell ----
sed '/ecell/d' spce.sys > nocell.sys
run 0 syscheck nocell.sys
contains "no cell" "$OUT" "  cell: none"

# ---- surface section ----
run 0 syscheck -surface "$DATA/sysfile/slab.sys"
same "surface summary" "$(printf '%s\n' "$OUT" | sed -n '/^Efg/,$p')" 'Efg entries: 0
  3.92 3.92 3.92
  2 2 1
  1.0
  1 1 0.0 0.0 0.0
  2 1 0.5 0.5 0.0
  3 0 0.5 0.0 0.5
  4 0 0.0 0.5 0.5
  4
  1 3 0.0 0.0 0.0
  2 3 0.5 0.5 0.0
  3 3 0.5 0.0 0.5
  4 3 0.0 0.5 0.5
Surface: cell entries 4, generated sites 200
  duplicate 2 2 1
  cell (nm):     0.39200     0.39200     0.39200
  box (nm):      0.78400     0.78400     0.39200
  cut-off (nm):     1.00000'
run 0 syscheck "$DATA/sysfile/slab.sys"
check "surface only on request" test "$(printf '%s\n' "$OUT" | grep -c Surface)" = 0
run 0 syscheck -surface spce.sys
contains "no surface section" "$OUT" "Surface: none"
sed 's/frac  pt   0.5  0.0  0.5   0/frac  au   0.5  0.0  0.5   0/' "$DATA/sysfile/slab.sys" > badslab.sys
run 1 syscheck -surface badslab.sys
contains "undefined surface type" "$OUT" " Site-type au        
 at position 6 in the {surface}-section is not a valid site-type."

# ---- warnings for site numbers outside the molecule ----
run 0 syscheck "$DATA/sysfile/warnings.sys"
same "warnings" "$(printf '%s\n' "$OUT" | grep '^W[Aa][Rr][Nn]')" 'WARNING: molecule-type 1 (chain): harmonic bond 2 refers to site 4, outside 1..3
WARNING: molecule-type 1 (chain): linear angle 1 refers to site 0, outside 1..3
WARNING: molecule-type 1 (chain): proper dihedral 1 refers to site 5, outside 1..3
WARNING: molecule-type 1 (chain): virtual site 1 refers to site 4, outside 1..3
Warnings: 4'

# ---- CRLF, NUL bytes, random bytes ----
sed 's/$/\r/' ethanol.sys > crlf.sys
run 0 syscheck crlf.sys
same "CRLF reads like LF" "$(printf '%s\n' "$OUT" | sed -n '/^Site types/,$p')" \
  "$("$BIN/syscheck" ethanol.sys | sed -n '/^Site types/,$p')"
printf 'begin{sites}\n ow -0.\0008 16\nend{sites}\n' > nul.sys
run 1 syscheck nul.sys
contains "NUL byte inside a number" "$OUT" " ERROR:"
printf 'begin{sites}\n ow -0.8 16\n\000\000\000\nend{sites}\n' > nul2.sys
run 1 syscheck nul2.sys
contains "line of NUL bytes is an entry" "$OUT" "Check definition of site-types in line 2"
for i in 1 2 3 4 5 6 7 8; do
  head -c $((i * 700)) /dev/urandom > random$i.sys
  "$BIN/syscheck" random$i.sys > /dev/null 2>&1
  st=$?
  check "random bytes $i: status 0 or 1 (got $st)" test "$st" -le 1
done
run 1 syscheck .
same "directory" "$OUT" 'ERROR: Cannot read SYSTEM-file "."'

# ---- every line prefix of the water example ----
n=$(wc -l < spce.sys)
for ((k = 0; k <= n; k++)); do
  head -n $k spce.sys > prefix.sys
  # the innermost section open after k lines ("all" ends its subsection)
  open=$(head -n $k spce.sys | awk '
    /^ *begin\{/ { s = $0; sub(/^ *begin\{/, "", s); sub(/\}.*/, "", s); st[++d] = s; next }
    /^ *end\{/ { s = $0; sub(/^ *end\{/, "", s); sub(/\}.*/, "", s); if (d > 0 && st[d] == s) d--; next }
    /^ *all *$/ { if (d > 0 && st[d] == "exclude") d-- }
    END { if (d > 0) print st[d] }')
  if [ -n "$open" ]; then
    run 1 syscheck prefix.sys
    same "prefix $k ends inside $open" "$(printf '%s\n' "$OUT" | tail -n 3)" " ERROR:
 interpreting the <system>-file...
 End of file inside the {$open}-section."
  else
    run 0 syscheck prefix.sys
  fi
done

# ---- the file is read once: from a pipe or a FIFO the summary, surface
# included, is that of the regular file
cp "$DATA/sysfile/slab.sys" slab.sys
summary() { printf '%s\n' "$OUT" | grep -v -e 'SYSTEM FILE "' -e '^System file: '; }
run 0 syscheck -surface slab.sys
want=$(summary)
contains "slab: surface read" "$want" "Surface: cell entries 4, generated sites 200"
run 0 syscheck -surface <(cat slab.sys)
same "pipe reads like the file" "$(summary)" "$want"
mkfifo slab.fifo
cat slab.sys > slab.fifo &
feeder=$!
OUT=$(timeout 30 "$BIN/syscheck" -surface slab.fifo)
same "FIFO: status" "$?" 0
kill "$feeder" 2>/dev/null
same "FIFO reads like the file" "$(summary)" "$want"

# ---- absurd numbers: refused by the reader, or, when a system may hold
# them, shown in full instead of asterisks
printf 'begin{sites}\n big 1e30 1e30\nend{sites}\nbegin{build}\necell 1e300 1 0\nend{build}\n' > big.sys
run 0 syscheck big.sys
contains "huge charge and mass shown" "$OUT" "     1  big        0.10000E+31 0.10000E+31    0.0000     0.0000"
contains "huge cell edge shown" "$OUT" "  cell (nm): 0.10000+300     0.10000     0.00000"
printf 'begin{sites}\n a 0 1\nend{sites}\nbegin{lorentz_lj}\n a 3 1e300\nend{lorentz_lj}\n' > inf.sys
run 1 syscheck inf.sys
contains "epsilon beyond the range refused" "$OUT" " Check definition of Lennard-Jones parameters at position  1 in the {lorentz_lj}-section."
