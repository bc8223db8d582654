#pragma once
// Helpers for the system-file reader tests: write a file, read it, and catch
// the reader's stop with its message lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/error.h"
#include "common/sysfile/system.h"
#include "tests/support/support.h"

namespace tvl::test {

// Reads `text` as a system file at print level 0.
inline sys::SystemDescription read_text(const std::string& text, const sys::Limits& lim = {},
                                        double tol = 0.0, std::array<double, 3> ecell = {0, 0, 0}) {
  write_file("test.sys", text);
  return sys::readsys(0, "test.sys", lim, tol, ecell);
}

// The lines of the stop that reading `text` ends with; empty when it reads cleanly.
inline std::vector<std::string> stop_lines(const std::string& text, const sys::Limits& lim = {}) {
  try {
    read_text(text, lim);
  } catch (const Stop& s) {
    EXPECT_EQ(s.status, exit_error);
    EXPECT_EQ(s.stream, Stream::out);
    return s.lines;
  }
  return {};
}

// The reader's frame around the specific lines.
inline std::vector<std::string> frame(std::vector<std::string> specific) {
  std::vector<std::string> l{" ERROR:", " interpreting the <system>-file..."};
  l.insert(l.end(), specific.begin(), specific.end());
  return l;
}

inline const char* const two_sites =
    "begin{sites}\n"
    " a  -1.0  3.0\n"
    " b   1.0  1.0\n"
    "end{sites}\n";

inline std::string example(const std::string& name) {
  return read_file(std::string(TVL_TEST_DATA) + "/../../examples/" + name);
}

}  // namespace tvl::test
