#pragma once
// Shared by the text-reader fuzz targets: the readers take file names, so
// each input is written to one scratch file of the process and read from
// there. Standard output (progress and report lines) is discarded.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tvl::fuzz {

// The scratch file's name, made once per process.
inline const std::string& scratch_name() {
  static const std::string name = [] {
    // tmpfs where there is one: the file is written once per input.
    char tmpl[] = "/dev/shm/tvl-fuzz-XXXXXX";
    int fd = mkstemp(tmpl);
    if (fd < 0) std::abort();
    close(fd);
    std::atexit([] { std::remove(scratch_name().c_str()); });
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    return std::string(tmpl);
  }();
  return name;
}

// Writes the input into the scratch file and returns its name.
inline const std::string& as_file(const std::uint8_t* data, std::size_t size) {
  const std::string& name = scratch_name();
  std::FILE* f = std::fopen(name.c_str(), "wb");
  if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) std::abort();
  return name;
}

}  // namespace tvl::fuzz
