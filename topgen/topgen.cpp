// topgen: the system file of one molecule from a force-field file and a
// molecule file, written to standard output.
#include "common/error.h"
#include "common/standard_flags.h"
#include "topgen/driver.h"

namespace {

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, tvl::topgen::help_lines());
  return tvl::topgen::topgen_main(argc, argv);
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
