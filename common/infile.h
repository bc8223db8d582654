#pragma once
// An input stream that closes itself on every way out of a reader.
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string>

namespace tvl {

struct FileClose {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};

using InFile = std::unique_ptr<std::FILE, FileClose>;

// Opens an existing file for reading; the result is empty when it cannot be opened.
inline InFile open_in(const std::string& name, const char* mode = "r") {
  return InFile(std::fopen(name.c_str(), mode));
}

// True when both names lead to one file: the same text, or one existing file
// reached under two names (links, "./" prefixes), compared by device and
// inode. A program checks its outputs against its inputs with it before it
// writes, so that it never destroys its own input.
inline bool same_file(const std::string& a, const std::string& b) {
  if (a == b) return true;
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// True when `name` leads to the file open on standard input (device and
// inode); false when it names no existing file or standard input is closed.
inline bool is_standard_input(const std::string& name) {
  struct stat si, sn;
  if (::fstat(0, &si) != 0 || ::stat(name.c_str(), &sn) != 0) return false;
  return si.st_dev == sn.st_dev && si.st_ino == sn.st_ino;
}

}  // namespace tvl
