#include "common/standard_flags.h"

#include <charconv>
#include <string_view>
#include <utility>

#include "common/error.h"

namespace tvl {

std::string version_line() {
  // The shortest digits that read back as the version number: 4.16.
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, tvl_version);
  return " TARVELO Version: " + std::string(buf, r.ptr);
}

void standard_flags(int argc, char** argv, const std::vector<std::string>& help) {
  if (argc != 2 || argv[1] == nullptr) return;
  const std::string_view a = argv[1];
  if (a == "-h" || a == "-help" || a == "--help") stop_ok(help);
  if (a == "--version") stop_ok({version_line()});
}

void usage_stop(const std::string& what, const std::vector<std::string>& help) {
  std::vector<std::string> lines;
  lines.reserve(help.size() + 1);
  lines.push_back(what);
  lines.insert(lines.end(), help.begin(), help.end());
  stop(std::move(lines), exit_usage);
}

}  // namespace tvl
