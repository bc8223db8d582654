#pragma once
// Charge files in the fixed layout: eight charges per line, each a
// fixed-point real of 10 columns with 6 decimals; the last line holds the rest.
#include <string>
#include <vector>

#include "common/esp/numin.h"

namespace tvl::esp {

// The lines of the layout (none for no charges); a charge that is not finite
// or does not fit its field stops the program naming it ("charge 3") and
// `where` (the file the lines are for).
std::vector<std::string> resp_lines(const std::vector<double>& q, std::string_view where);
// True when q is finite and its 10-column field holds it.
bool fits_resp(double q);

// Both readers refuse text after the eighth field of a line (columns 81 on):
// it would be a charge dropped without a word.
// Reads exactly `want` charges (one per atom of a molecule): every field up
// to the last one read must hold a number (a blank field is an error, not a
// zero); anything but blanks after the last one, on its line or on later
// lines, is an error too: the file holds the charges of another molecule.
std::vector<double> read_resp(NumberInput& in, std::size_t want);
// Reads every charge the file holds: the count is the number of non-blank
// 10-column fields of the raw text (a charge of 0.0 counts). A blank field
// before a later charge is an error; more than `limit` charges stop the
// program naming the capacity `limit_name`.
std::vector<double> read_resp_all(NumberInput& in, long long limit, const char* limit_name);

}  // namespace tvl::esp
