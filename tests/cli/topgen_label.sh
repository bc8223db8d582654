# topgen -label: what is accepted (judged on the 10 characters written) reads
# back as written; what would break the system file is refused.
opts=(-ff "$SRC/examples/topgen/small.ff" -tmf "$SRC/examples/topgen/ethanol.tmf" -build -label)
for label in legend Weekend end 'x{y}' molecule_end{ 'abcdefghij#x'; do
  run 0 topgen "${opts[@]}" "$label" || continue
  printf '%s\n' "$OUT" > l.sys
  run 0 syscheck l.sys
  contains "label '$label' read back" "$OUT" "  type 1: $(printf '%s' "${label:0:10}" | tr 'A-Z' 'a-z')"
done
for label in 'a\tb' 'a\nb' 'a"b' 'x=y' 'xBEGIN' 'end{x'; do
  run 2 topgen "${opts[@]}" "$(printf "$label")"
  contains "label '$label' refused" "$OUT" "cannot stand in a system file: it holds"
done
