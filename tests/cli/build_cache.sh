# A build folder configured when the capacities had fixed defaults keeps them
# in its cache under their old help text: configuring it again clears those
# defaults (no bound), while a bound set on purpose, or an old value other
# than the default, stays.
configure() {
  mkdir -p "$1"
  printf '%s\n' "$2" > "$1/CMakeCache.txt"
  cmake -S "$SRC" -B "$1" > "$1.log" 2>&1 || { tail -20 "$1.log"; return 1; }
}
cached() { sed -n "s/^$2:STRING=//p" "$1/CMakeCache.txt"; }

check "old defaults" configure old "//nmax: sites in the configuration
TVL_NMAX:STRING=8000
//nstmax: configurations kept by rotcf and mucf
TVL_NSTMAX:STRING=60000
//nalmolmax: molecules in the configuration
TVL_NALMOLMAX:STRING=4000"
same "old nmax default cleared" "$(cached old TVL_NMAX)" ""
same "old nstmax default cleared" "$(cached old TVL_NSTMAX)" ""
same "an old value other than the default stays" "$(cached old TVL_NALMOLMAX)" "4000"
contains "said so" "$(cat old.log)" "TVL_NMAX=8000 is the old default kept in this build folder's cache: cleared (no bound)"

check "bound set on purpose" configure set "//nmax: sites in the configuration (empty: no bound)
TVL_NMAX:STRING=8000"
same "a bound set on purpose stays" "$(cached set TVL_NMAX)" "8000"
