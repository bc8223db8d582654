# topgen end to end: every fixture molecule (mol2 and HIN, file bonds and
# -auto) gives a system file that syscheck accepts, with term counts equal
# to an independent count from the bond graph; the options; the mends.
FF="$SRC/examples/topgen/small.ff"

# graph_counts <mol2>: bonds, angles, torsions, 1-4 pairs, impropers and
# excluded pairs (graph distance 1 to 3) from the bond section alone.
graph_counts() {
  awk '
    /^@<TRIPOS>ATOM/ { s = "a"; next }
    /^@<TRIPOS>BOND/ { s = "b"; next }
    /^@/ { s = ""; next }
    s == "a" && NF { n++ }
    s == "b" && NF { nb++; A[nb] = $2; B[nb] = $3 }
    END {
      for (i = 1; i <= n; i++) for (j = 1; j <= n; j++) d[i, j] = i == j ? 0 : 99
      for (k = 1; k <= nb; k++) { d[A[k], B[k]] = d[B[k], A[k]] = 1; deg[A[k]]++; deg[B[k]]++ }
      for (k = 1; k <= n; k++) for (i = 1; i <= n; i++) for (j = 1; j <= n; j++)
        if (d[i, k] + d[k, j] < d[i, j]) d[i, j] = d[i, k] + d[k, j]
      for (i = 1; i <= n; i++) {
        ang += deg[i] * (deg[i] - 1) / 2; imp += deg[i] * (deg[i] - 1) * (deg[i] - 2) / 6
        for (j = i + 1; j <= n; j++) { if (d[i, j] == 3) p14++; if (d[i, j] <= 3) excl++ }
      }
      # paths a-b-c-d of four different atoms around every bond b-c
      for (k = 1; k <= nb; k++) for (a = 1; a <= n; a++) for (e = 1; e <= n; e++)
        if (d[a, A[k]] == 1 && d[B[k], e] == 1 && a != B[k] && e != A[k] && a != e) tor++
      print nb + 0, ang + 0, tor + 0, p14 + 0, imp + 0, excl + 0
    }' "$1"
}

# the counts topgen reports: -debug for its lists, syscheck for the file
topgen_counts() {
  local mol=$1; shift
  run 0 topgen -ff "$FF" "$@" -debug || return
  local dump=$OUT
  run 0 topgen -ff "$FF" "$@" -label "$mol" || return
  printf '%s\n' "$OUT" > "$mol.sys"
  run 0 syscheck "$mol.sys" || return
  local sum=$OUT
  count() { printf '%s\n' "$1" | sed -n "s/^ *$2 *\([0-9][0-9]*\).*/\1/p" | head -1; }
  echo "$(count "$sum" 'harmonic bonds') $(count "$sum" 'angles') $(count "$dump" '#DIHEDRALS')" \
       "$(count "$dump" '#14INTERACTIONS') $(count "$dump" '#####IMPROPER DIHEDRALS') $(count "$sum" 'constraints 0, exclusions')"
}

for mol in aceticacid benzene cyclopropane dipeptide ethanol; do
  f="$DATA/topgen/$mol.mol2"
  want=$(graph_counts "$f")
  for kind in mol2 hin; do
    for auto in "" -auto; do
      same "$mol $kind $auto: counts" "$(topgen_counts "$mol" -$kind "$DATA/topgen/$mol.$kind" $auto)" "$want"
    done
  done
done

# ---- options on ethanol ----
E="$DATA/topgen/ethanol.mol2"
run 0 topgen -ff "$FF" -mol2 "$E" -fix -zmat freeze -build -opls -label eth
printf '%s\n' "$OUT" > eth.sys
same "zfreeze lines" "$(grep -c '^zfreeze ' eth.sys)" 8
same "z-matrix rows" "$(sed -n '/^begin{z-matrix}/,/^end{z-matrix}/p' eth.sys | grep -c '^ *[0-9]')" 9
contains "opls section" "$OUT" "begin{opls_lj}  #  sigma (A)  epsilon (K)"
run 0 syscheck eth.sys
contains "constraints active, bonds off" "$OUT" "    constraints 8, exclusions 33, intramolecular pairs 3
    harmonic bonds 0, Morse bonds 0"
contains "build section" "$OUT" "  molecules 1, sites 9"

# ---- mends ----
# cyclopropane: no torsion with a repeated atom, no 1-4 pair of an atom with itself
run 0 topgen -ff "$FF" -mol2 "$DATA/topgen/cyclopropane.mol2"
torsions=$(printf '%s\n' "$OUT" | sed -n '/^#...proper torsions/,/^#...improper/p' | sed 's/^#//')
same "torsion lines" "$(printf '%s\n' "$torsions" | grep -c '^ *proper')" 24
same "no degenerate torsions" "$(printf '%s\n' "$torsions" | awk '$1 == "proper" && ($2 == $5 || $3 == $5 || $2 == $4)' | wc -l)" 0
same "no self 1-4 pairs" "$(printf '%s\n' "$OUT" | sed -n '/^begin{nonbonded}/,/^end/p' | awk '$1 == $2' | wc -l)" 0

# acetylene: collinear atoms give a torsion of 0, never NaN
printf '%s\n' 'c.3 -0.60 0 0 -0.1' 'c.3 0.60 0 0 -0.1' 'h -1.66 0 0 0.1' 'h 1.66 0 0 0.1' > acetylene.tmf
run 0 topgen -ff "$FF" -tmf acetylene.tmf -auto -zmat
contains "collinear torsion" "$OUT" "    4      2      1.0600    1    180.0000    3      0.0000"
same "no NaN" "$(printf '%s\n' "$OUT" | grep -ci nan)" 0
run 0 topgen -ff "$FF" -tmf acetylene.tmf -auto -debug
same "no NaN in the dump" "$(printf '%s\n' "$OUT" | grep -ci nan)" 0

# fewer than four atoms: no z-matrix
printf '%s\n' 'o.3 0 0 0 -0.8' 'h 0.96 0 0 0.4' 'h -0.24 0.93 0 0.4' > water.tmf
run 1 topgen -ff "$FF" -tmf water.tmf -auto -zmat
same "three atoms, -zmat" "$OUT" " topgen: cannot assign z-matrix to topology"

# the demo's run: the example TMF file of ethanol with a build section
run 0 topgen -ff "$FF" -tmf "$SRC/examples/topgen/ethanol.tmf" -label ethanol -build
printf '%s\n' "$OUT" > demo.sys
run 0 syscheck demo.sys
contains "demo molecule" "$OUT" "  type 1: ethanol
    sites 9, degrees of freedom 27"
