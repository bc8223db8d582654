#pragma once
// Tables of LEAP libraries in OFF form: "!!index" is followed by the list of
// units, of which the first is read; a record beginning with "!entry" heads a
// table, whose rows run up to the next "!entry" record or the end of the file.
// Headers list the table's columns after its name and may be longer than 128
// columns: they are cut there, since only their first word is read.
#include <functional>
#include <string>
#include <vector>

#include "topgen/input.h"

namespace tvl::topgen {

inline constexpr int off_row_cap = 10000;  // rows per table

struct OffScan {
  // Keys of the wanted tables after "!entry.<unit>", such as ".unit.atoms".
  std::vector<std::string> suffixes;
  // Records outside the wanted tables that may be read; the next one calls
  // `overflow`, which stops the program.
  long outside_max = 0;
  std::function<void(const Record&)> overflow;
  std::function<void(int table, const std::string& key)> on_table;  // may be empty
  std::function<void(int table, const Record& row)> on_row;
};

// Reads the whole file once; a wanted table given twice, or one of more
// than off_row_cap rows, stops the program.
void scan_off(RecordFile& f, const OffScan& s);

}  // namespace tvl::topgen
