#include "common/standard_flags.h"

#include <string_view>

#include "common/error.h"

namespace tvl {

std::string version_line() { return " TARVELO Version: 4.16"; }

void standard_flags(int argc, char** argv, const std::vector<std::string>& help) {
  if (argc != 2 || argv[1] == nullptr) return;
  const std::string_view a = argv[1];
  if (a == "-h" || a == "-help" || a == "--help") stop_ok(help);
  if (a == "--version") stop_ok({version_line()});
}

}  // namespace tvl
