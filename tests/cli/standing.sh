# Rules every program keeps: exit statuses (0 normal end and help, 1 error,
# 2 usage shown for wrong arguments), failed writes of standard output and of
# output files are errors, endless or binary inputs end with a message and
# status 1 instead of a hang, and over-long arguments are refused, not cut.
W="$SRC/examples/water"

# Small inputs: four water molecules as GRO file, their crd trajectory.
{
  sed -n 1p "$W/water.gro"
  echo "   12"
  sed -n 3,14p "$W/water.gro"
  tail -n 1 "$W/water.gro"
} > w4.gro
run 0 packtraj -r -c w4.crd -x "$DATA/xtc/water4.xtc"
analyse=(-sys "$W/water.sys" -gin w4.gro -crd w4.crd -time 1 -tmax 1)

# ---- help and version alike in every program -------------------------------
# -h, -help and --help alone print the help (the same text for all three) and
# --version alone prints the suite's version line; all end with status 0.
# Every program of the suite is listed here.
programs=(syscheck packtraj trajdump endianflip rotcf mucf topgen
          chgfit espview respconv espextract espformat vdwsurf gepolformat pickxyz
          torfitsc torfitc structpdb supercell velflip top2sys)
for p in "${programs[@]}"; do
  run 0 "$p" -h && help=$OUT
  contains "$p -h prints a help" "$help" "$p"
  for f in -help --help; do
    run 0 "$p" "$f"
    same "$p $f is the help of -h" "$OUT" "$help"
  done
  run 0 "$p" --version
  same "$p --version" "$OUT" " TARVELO Version: 4.16"
done

# ---- statuses of help and usage -------------------------------------------
run 0 syscheck -h
run 0 packtraj -h
run 0 trajdump -help
run 0 endianflip -help
run 0 rotcf -help
run 0 mucf -help
run 0 topgen -help
for p in syscheck packtraj trajdump endianflip rotcf mucf topgen top2sys; do
  run 2 "$p"
done
# the charge and potential tools: wrong arguments
run 2 espview
run 2 respconv
for p in chgfit espextract espformat gepolformat; do
  run 2 "$p" extra
done
run 2 vdwsurf 1 2 3
run 2 pickxyz 1 2
# the structure filters read standard input: extra arguments are wrong
for p in structpdb supercell velflip; do
  run 2 "$p" a b c d
done
run 2 supercell
for p in torfitsc torfitc; do
  run 2 "$p"
  run 2 "$p" a b
done
run 0 rotcf "${analyse[@]}"
run 0 mucf "${analyse[@]}"

# ---- standard output on a full device ---------------------------------------
# Help, a normal run and an error stop alike end with status 1 and a message
# on standard error when standard output cannot be written.
full() {
  local want=$1; shift
  "$BIN/$1" "${@:2}" > /dev/full 2> full.err < /dev/null
  local st=$?
  TVL_CHECKS=$((TVL_CHECKS + 1))
  if [ "$st" != "$want" ] || ! grep -q "cannot write standard output" full.err; then
    echo "FAIL: $* > /dev/full -> status $st, expected $want with a message"
    cat full.err
    TVL_FAILS=$((TVL_FAILS + 1))
  fi
}
full 1 syscheck -h
full 1 syscheck "$W/water.sys"
full 1 syscheck missing.sys
full 1 packtraj -h
full 1 trajdump "$DATA/xtc/water4.xtc"
full 1 endianflip -help
full 1 rotcf -help
full 1 rotcf "${analyse[@]}"
full 1 mucf "${analyse[@]}"
full 1 espview -h
full 1 respconv + missing.chg
full 1 topgen -help
full 1 top2sys -h
full 1 topgen -ff "$SRC/examples/topgen/small.ff" -tmf "$SRC/examples/topgen/ethanol.tmf" -debug

# ---- output files that cannot be created -------------------------------------
# A directory in the place of the result file refuses the file even to root.
mkdir -p busy/rotcf_p1p2.dat busy/mucf_p1.dat
cd busy
run 1 rotcf -sys "$W/water.sys" -gin ../w4.gro -crd ../w4.crd -time 1 -tmax 1
same "rotcf result file refused" "$(printf '%s\n' "$OUT" | tail -n 1)" \
  ' ERROR: cannot create file "rotcf_p1p2.dat": Is a directory'
run 1 mucf -sys "$W/water.sys" -gin ../w4.gro -crd ../w4.crd -time 1 -tmax 1
same "mucf result file refused" "$(printf '%s\n' "$OUT" | tail -n 1)" \
  ' ERROR: cannot create file "mucf_p1.dat": Is a directory'
cd ..
run 1 endianflip w4.crd no/such/dir/out.crd
same "endianflip output refused" "$OUT" ' ERROR: cannot create file "no/such/dir/out.crd": No such file or directory'
run 1 endianflip w4.crd /dev/full
same "endianflip output on a full device" "$OUT" ' ERROR: cannot write file "/dev/full": No space left on device'
run 1 packtraj -c w4.crd -x no/such/dir/out.xtc
contains "packtraj xtc output refused" "$OUT" "no/such/dir/out.xtc"
run 1 packtraj -r -c no/such/dir/out.crd -x "$DATA/xtc/water4.xtc"
contains "packtraj crd output refused" "$OUT" "no/such/dir/out.crd"
run 1 packtraj -c w4.crd -x /dev/full

# ---- endless and binary inputs ---------------------------------------------
# /dev/zero never ends a line nor a record: every reader must give up on it.
zero() {
  local what=$1; shift
  TVL_CHECKS=$((TVL_CHECKS + 1))
  timeout 60 "$BIN/$1" "${@:2}" > zero.out 2>&1 < /dev/null
  local st=$?
  if [ "$st" != 1 ]; then
    echo "FAIL: $what: status $st, expected 1"
    tail -n 5 zero.out
    TVL_FAILS=$((TVL_FAILS + 1))
  fi
}
zero "system file" syscheck /dev/zero
zero "structure file" rotcf -sys "$W/water.sys" -in /dev/zero -crd w4.crd -time 1 -tmax 1
contains "structure file message" "$(cat zero.out)" "ERROR: STRUCTURE-file is corrupted !"
zero "GRO file" mucf -sys "$W/water.sys" -gin /dev/zero -crd w4.crd -time 1 -tmax 1
contains "GRO file message" "$(cat zero.out)" "ERROR: GROMOS input-file is corrupted !"
zero "crd trajectory" rotcf -sys "$W/water.sys" -gin w4.gro -crd /dev/zero -time 1 -tmax 1
zero "xtc trajectory" mucf -sys "$W/water.sys" -gin w4.gro -xtc /dev/zero -time 1 -tmax 1
zero "xtc listing" trajdump /dev/zero
zero "crd to xtc" packtraj -c /dev/zero -x z.xtc
zero "xtc to crd" packtraj -r -c z.crd -x /dev/zero
zero "charge file" respconv + /dev/zero
zero "force field" topgen -ff /dev/zero -tmf "$SRC/examples/topgen/ethanol.tmf" -debug
zero "GROMACS topology" top2sys /dev/zero w4.gro z
printf '[ moleculetype ]\nSOL 2\n' > w.top
zero "GRO file of top2sys" top2sys w.top /dev/zero z

# ---- over-long arguments ------------------------------------------------------
long=$(printf 'a%.0s' $(seq 129))
run 2 syscheck "$long"
same "syscheck long argument" "$OUT" " ERROR: argument has 129 characters; at most 128 are allowed."
run 2 rotcf -sys "$long" -gin w4.gro -crd w4.crd -time 1 -tmax 1
contains "rotcf long argument" "$OUT" "129 characters"
run 2 topgen -ff "$long" -tmf x.tmf -debug
contains "topgen long argument" "$OUT" "129 characters"
run 2 top2sys "$long" w4.gro z
contains "top2sys long argument" "$OUT" "129 characters"
