#pragma once
// Small helpers every unit-test folder uses: whole files, in-memory streams
// and captured standard output.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "common/error.h"

namespace tvl::test {

inline void write_file(const std::string& name, const std::string& bytes) {
  std::ofstream f(name, std::ios::binary);
  f << bytes;
}

inline std::string read_file(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// The text with every LF line end turned into a CRLF end.
inline std::string crlf_of(const std::string& lf) {
  std::string crlf;
  for (char c : lf) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf;
}

// A temporary stream holding `bytes`, positioned at its start.
inline std::FILE* stream_of(const std::string& bytes) {
  std::FILE* f = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  return f;
}

// Runs f with standard output captured and returns what it wrote; an
// exception from f passes through after the capture has been ended.
template <class F>
std::string capture_stdout(F&& f) {
  testing::internal::CaptureStdout();
  try {
    f();
  } catch (...) {
    std::fflush(stdout);
    testing::internal::GetCapturedStdout();
    throw;
  }
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

// Runs f, expecting a Stop; returns its lines, each ended by a newline, and
// its status through *status when given.
template <class F>
std::string stop_text(F&& f, int* status = nullptr) {
  try {
    f();
  } catch (const tvl::Stop& s) {
    std::fflush(stdout);
    std::string t;
    for (const auto& l : s.lines) t += l + "\n";
    if (status) *status = s.status;
    return t;
  }
  ADD_FAILURE() << "no Stop thrown";
  return "";
}

}  // namespace tvl::test
