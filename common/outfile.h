#pragma once
// An output file whose every write, flush and close is checked: a full disk
// or an unwritable path stops the program with a message naming the file.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tvl {

class OutFile {
 public:
  OutFile() = default;
  // mode is an fopen mode ("w", "wb", "ab"); throws Stop naming the file on failure.
  OutFile(const std::string& name, const char* mode = "w");
  ~OutFile();  // closes without checking; call close() to check
  OutFile(OutFile&& o) noexcept;
  OutFile& operator=(OutFile&& o) noexcept;
  OutFile(const OutFile&) = delete;
  OutFile& operator=(const OutFile&) = delete;

  void write(const void* data, std::size_t n);
  void write(std::string_view s) { write(s.data(), s.size()); }
  void line(std::string_view s);  // s followed by a newline
  void flush();
  void close();  // flush and close, checked; no-op when not open
  bool is_open() const { return f_ != nullptr; }
  const std::string& name() const { return name_; }
  std::FILE* get() const { return f_; }

 private:
  [[noreturn]] void fail(const char* what) const;
  std::FILE* f_ = nullptr;
  std::string name_;
};

// Called before anything is written: stops (exit 1) when the output file
// `out` is one of the named `inputs` (same_file) or, with `reads_stdin`, the
// file open on standard input, with a message naming both; writing it would
// destroy the input.
void keep_inputs(const std::string& out, const std::vector<std::string>& inputs, bool reads_stdin);

// Called before the first of several result files is written: stops, as
// OutFile does, when one of them cannot be opened for writing. The probe
// changes no file: existing files are opened for appending and left as they
// are, files it had to create are removed again before the stop.
void check_writable(const std::vector<std::string>& names);

// Writes a line to standard output (the failure is detected at the end by run_main).
void out_line(std::string_view s);

}  // namespace tvl
