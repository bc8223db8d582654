#include "common/standard_flags.h"

#include <charconv>
#include <string_view>

#include "common/error.h"

namespace tvl {

std::string version_line() {
  // tvl_version in its shortest single-precision form ("4.16"), so that the
  // version is written down in one place only.
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(tvl_version));
  return " TARVELO Version: " + std::string(buf, r.ptr);
}

void standard_flags(int argc, char** argv, const std::vector<std::string>& help) {
  if (argc != 2 || argv[1] == nullptr) return;
  const std::string_view a = argv[1];
  if (a == "-h" || a == "-help" || a == "--help") stop_ok(help);
  if (a == "--version") stop_ok({version_line()});
}

}  // namespace tvl
