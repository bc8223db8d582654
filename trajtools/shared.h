#pragma once
// Small pieces the trajectory tools share: argument fields and the test that
// keeps a program from writing over its own input.
#include <sys/stat.h>

#include <string>
#include <string_view>

namespace tvl::trajtools {

// An argument is blank when it holds nothing but blanks (a blank-padded
// field of such an argument reads as empty).
inline bool is_blank(std::string_view a) { return a.find_first_not_of(' ') == std::string_view::npos; }

// The argument as its blank-padded field gives it back: trailing blanks removed.
inline std::string field_text(std::string_view a) {
  std::size_t n = a.find_last_not_of(' ');
  return n == std::string_view::npos ? std::string() : std::string(a.substr(0, n + 1));
}

// True when both names lead to one file: the same text, or one existing file
// reached under two names (links, "./" prefixes), compared by device and inode.
inline bool same_file(const std::string& a, const std::string& b) {
  if (a == b) return true;
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace tvl::trajtools
