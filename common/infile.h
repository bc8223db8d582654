#pragma once
// An input stream that closes itself on every way out of a reader.
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

}  // namespace tvl
