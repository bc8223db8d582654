# Helpers for the end-to-end tests. Each check counts; finish() reports and
# sets the exit status.
TVL_FAILS=0
TVL_CHECKS=0

# run <expected-status> <program> [args...]: runs $BIN/<program>, keeps its
# standard output in $OUT, standard error in $ERR, status in $STATUS.
run() {
  local want=$1; shift
  local prog=$1; shift
  OUT=$("$BIN/$prog" "$@" 2>"$WORK/.stderr" </dev/null)
  STATUS=$?
  ERR=$(cat "$WORK/.stderr")
  TVL_CHECKS=$((TVL_CHECKS + 1))
  if [ "$STATUS" != "$want" ]; then
    echo "FAIL: $prog $* -> status $STATUS, expected $want"
    echo "--- stdout"; echo "$OUT" | head -40
    echo "--- stderr"; echo "$ERR" | head -40
    TVL_FAILS=$((TVL_FAILS + 1))
    return 1
  fi
  return 0
}

# same <name> <actual> <expected>: exact text comparison.
same() {
  TVL_CHECKS=$((TVL_CHECKS + 1))
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1"
    diff <(printf '%s\n' "$3") <(printf '%s\n' "$2") | head -40
    TVL_FAILS=$((TVL_FAILS + 1))
    return 1
  fi
  return 0
}

# contains <name> <text> <needle>
contains() {
  TVL_CHECKS=$((TVL_CHECKS + 1))
  case "$2" in
    *"$3"*) return 0 ;;
  esac
  echo "FAIL: $1: output does not contain '$3'"
  printf '%s\n' "$2" | head -40
  TVL_FAILS=$((TVL_FAILS + 1))
  return 1
}

# check <name> <command...>: the command must succeed.
check() {
  local name=$1; shift
  TVL_CHECKS=$((TVL_CHECKS + 1))
  if ! "$@"; then
    echo "FAIL: $name"
    TVL_FAILS=$((TVL_FAILS + 1))
    return 1
  fi
  return 0
}

finish() {
  echo "$TVL_CHECKS checks, $TVL_FAILS failed"
  [ "$TVL_FAILS" -eq 0 ]
  exit $?
}
