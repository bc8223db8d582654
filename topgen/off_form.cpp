#include "topgen/off_form.h"

namespace tvl::topgen {

void scan_off(RecordFile& f, const OffScan& s) {
  std::vector<std::string> keys;
  std::vector<bool> seen(s.suffixes.size());
  bool index_seen = false, want_name = false;
  int table = -1, rows = 0;
  long outside = 0;
  Record r;
  f.cut_long_records("!entry");  // headers carry column lists beyond the unit name
  while (f.next(r)) {
    bool header = starts(r.text, "!entry");
    if (table >= 0 && !header) {
      if (++rows > off_row_cap)
        f.fail(r, "more than " + std::to_string(off_row_cap) + " rows in table " + keys[table]);
      s.on_row(table, r);
      continue;
    }
    table = -1;
    if (++outside > s.outside_max) s.overflow(r);
    if (want_name) {
      want_name = false;
      keys.clear();
      for (const std::string& suffix : s.suffixes) keys.push_back("!entry." + r.word(1) + suffix);
      continue;
    }
    if (starts(r.text, "!!index")) {
      want_name = !index_seen;
      index_seen = true;
      continue;
    }
    if (!header) continue;
    for (std::size_t k = 0; k < keys.size(); ++k) {
      if (r.word(1) != keys[k]) continue;
      if (seen[k]) f.fail(r, "table " + keys[k] + " is given twice");
      seen[k] = true;
      table = static_cast<int>(k);
      rows = 0;
      if (s.on_table) s.on_table(table, keys[k]);
    }
  }
}

}  // namespace tvl::topgen
