#pragma once
// Whole xtc files for the tests: the frames of a file held in memory, the
// bytes of a file written from frames, and the XDR integers among its bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/xdr/xdrfile.h"
#include "common/xdr/xtc.h"
#include "tests/support/support.h"

namespace tvl::test {

// The big-endian 32-bit item at byte offset `at` of `bytes`.
inline std::uint32_t be32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t k = at; k < at + 4; ++k) v = (v << 8) | static_cast<unsigned char>(bytes.at(k));
  return v;
}

// Reads the frames of the xtc file `bytes` until one is not ok; returns that
// result (end after a whole file) and appends the frames read to *frames.
inline xtc::ReadResult read_frames(const std::string& bytes,
                                   std::vector<xtc::Frame>* frames = nullptr) {
  const int id = xdropen_stream(stream_of(bytes), 'r');
  EXPECT_NE(id, 0);
  xtc::Frame f;
  xtc::ReadResult r;
  while ((r = xtc::read_frame(id, f)) == xtc::ReadResult::ok)
    if (frames) frames->push_back(f);
  int ret = 0;
  xdrfclose(id, ret);
  return r;
}

// Writes the frames into the file `name` and returns its bytes.
inline std::string write_frames(const std::vector<xtc::Frame>& frames, const std::string& name) {
  XdrFile out(name, "w");
  EXPECT_TRUE(out.is_open()) << name;
  for (const auto& f : frames) EXPECT_TRUE(xtc::write_frame(out.id(), f)) << name;
  EXPECT_TRUE(out.close()) << name;
  return read_file(name);
}

}  // namespace tvl::test
