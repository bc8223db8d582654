#pragma once
// The test the trajectory tools share that keeps a program from writing over
// its own input.
#include <sys/stat.h>

#include <string>

namespace tvl::trajtools {

// True when both names lead to one file: the same text, or one existing file
// reached under two names (links, "./" prefixes), compared by device and inode.
inline bool same_file(const std::string& a, const std::string& b) {
  if (a == b) return true;
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace tvl::trajtools
