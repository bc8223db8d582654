#pragma once
// What the molecule readers share: the bonds as read, checked against the
// atoms once the whole file is read.
#include <string>
#include <vector>

#include "topgen/input.h"
#include "topgen/model.h"

namespace tvl::topgen {

struct RawBond {
  int a = 0, b = 0;
  long line = 0;      // where the bond was read, for messages
  std::string text;   // that record
};

// Ends a molecule reader: a molecule without atoms stops; every bond must
// join two different atoms of 1..n; a bond listed again (in either
// orientation) is stored once, with a warning when warn_repeats is set.
void finish_molecule(Molecule& m, const std::vector<RawBond>& raw, const RecordFile& f,
                     bool warn_repeats);

// The message of a file with more records than its reader takes.
[[noreturn]] void lines_exceeded(std::string_view kind);

}  // namespace tvl::topgen
