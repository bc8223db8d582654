# topgen -label: only what would break the system file is refused, judged on
# the 10 characters written; every accepted label reads back as written.
FF="$SRC/examples/topgen/small.ff"
TMF="$SRC/examples/topgen/ethanol.tmf"
for label in legend blend Weekend end 'end}x' 'x{y}' molecule_end{ 'abcdefghij#x' 'Ethanol-2' 'a;b'; do
  run 0 topgen -ff "$FF" -tmf "$TMF" -label "$label" -build || continue
  printf '%s\n' "$OUT" > l.sys
  run 0 syscheck l.sys
  contains "label '$label' read back" "$OUT" "  type 1: $(printf '%s' "${label:0:10}" | tr 'A-Z' 'a-z')"
done
while IFS='|' read -r label why; do
  run 2 topgen -ff "$FF" -tmf "$TMF" -label "$(printf "$label")" -build
  contains "label '$label' refused" "$OUT" "cannot stand in a system file: it holds $why"
done <<'X'
my#mol|"#" (a comment mark)
a,b|"," (a separator)
a=b|"=" (a separator)
a b|a blank or a tab (separators)
a\tb|a blank or a tab (separators)
a\nb|a line break
a"b|a double quote (a separator)
beginner|"begin" (a section head)
xBEGIN|"begin" (a section head)
end{x|"end{" (a section end)
X
# (a blank argument ends the argument list: the label keeps its default)
run 0 topgen -ff "$FF" -tmf "$TMF" -label "" -build
contains "blank label: the default" "$OUT" "label molecule"
