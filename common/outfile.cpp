#include "common/outfile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/error.h"
#include "common/infile.h"

namespace tvl {

OutFile::OutFile(const std::string& name, const char* mode) : name_(name) {
  f_ = std::fopen(name.c_str(), mode);
  if (!f_) fail("cannot create");
}

OutFile::~OutFile() {
  if (f_) std::fclose(f_);
}

OutFile::OutFile(OutFile&& o) noexcept : f_(o.f_), name_(std::move(o.name_)) { o.f_ = nullptr; }

OutFile& OutFile::operator=(OutFile&& o) noexcept {
  if (this != &o) {
    if (f_) std::fclose(f_);
    f_ = o.f_;
    name_ = std::move(o.name_);
    o.f_ = nullptr;
  }
  return *this;
}

void OutFile::fail(const char* what) const {
  int e = errno;
  // A free-format message line: it begins with one blank.
  stop({std::string(" ERROR: ") + what + " file \"" + name_ + "\": " +
        (e ? std::strerror(e) : "write error")});
}

void OutFile::write(const void* data, std::size_t n) {
  if (n == 0) return;
  errno = 0;
  if (!f_ || std::fwrite(data, 1, n, f_) != n) fail("cannot write");
}

void OutFile::line(std::string_view s) {
  write(s);
  write("\n", 1);
}

void OutFile::flush() {
  errno = 0;
  if (f_ && std::fflush(f_) != 0) fail("cannot write");
}

void OutFile::close() {
  if (!f_) return;
  errno = 0;
  bool bad = std::fflush(f_) != 0 || std::ferror(f_);
  bad = (std::fclose(f_) != 0) || bad;
  f_ = nullptr;
  if (bad) fail("cannot write");
}

void keep_inputs(const std::string& out, const std::vector<std::string>& inputs, bool reads_stdin) {
  auto refuse = [&](const std::string& input) {
    stop({" ERROR: the output file \"" + out + "\" is " + input + "; writing it would destroy the input"});
  };
  for (const std::string& in : inputs)
    if (same_file(out, in)) refuse("the input file \"" + in + "\"");
  if (reads_stdin && is_standard_input(out)) refuse("the file on standard input");
}

void check_writable(const std::vector<std::string>& names) {
  std::vector<std::string> created;
  try {
    for (const std::string& n : names) {
      struct stat st;
      const bool existed = ::stat(n.c_str(), &st) == 0;
      OutFile probe(n, "a");
      if (!existed) created.push_back(n);
      probe.close();
    }
  } catch (const Stop&) {
    for (const std::string& c : created) std::remove(c.c_str());
    throw;
  }
}

void out_line(std::string_view s) {
  std::fwrite(s.data(), 1, s.size(), stdout);
  std::fputc('\n', stdout);
}

}  // namespace tvl
