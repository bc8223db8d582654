# make install's rules: the programs, the README and the examples land under
# the prefix, a staging DESTDIR is honoured, and an installed program runs.
BUILD=$(dirname "$BIN")

check "install into a prefix" cmake --install "$BUILD" --prefix "$WORK/prefix" > install.log
for p in syscheck rotcf mucf packtraj trajdump endianflip; do
  check "$p installed" test -x "prefix/bin/$p"
done
check "no benchmark installed" test ! -e prefix/bin/bench_correlate
check "README installed" test -f prefix/share/doc/tarvelo_tools/README.md
check "examples installed" cmp -s "$SRC/examples/spce.sys" prefix/share/tarvelo/examples/spce.sys

# The installed program reads the installed example as the built one does.
ex=prefix/share/tarvelo/examples/spce.sys
run 0 syscheck "$ex" && built=$OUT
OUT=$(prefix/bin/syscheck "$ex" 2>&1)
same "installed syscheck on the installed example" "$OUT" "$built"

DESTDIR="$WORK/stage" cmake --install "$BUILD" --prefix /opt/tvl > stage.log
check "DESTDIR stages the tree" test -x stage/opt/tvl/bin/rotcf
check "nothing outside the staging tree" test ! -e /opt/tvl/bin/rotcf
