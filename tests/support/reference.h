#pragma once
// Reader of the reference dumps that come with the xtc test files: for every
// frame a line "frame natoms step time precision", a line "box" with the nine
// box values row by row, then natoms lines "x y z". Values are read as 32-bit
// floats, exactly as written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace tvl::test {

struct ReferenceFrame {
  int natoms = 0;
  int step = 0;
  float time = 0;
  float prec = 0;
  float box[9] = {};
  std::vector<float> x;  // 3 natoms values, atom after atom
};

inline std::vector<ReferenceFrame> read_reference_dump(const std::string& path) {
  std::ifstream in(path);
  EXPECT_TRUE(in.good()) << "reference dump missing: " << path;
  std::vector<ReferenceFrame> frames;
  auto real = [&in] {
    std::string w;
    in >> w;
    return std::strtof(w.c_str(), nullptr);
  };
  std::string word;
  while (in >> word) {
    EXPECT_EQ(word, "frame") << path;
    if (word != "frame") break;
    ReferenceFrame f;
    in >> f.natoms >> f.step;
    f.time = real();
    f.prec = real();
    in >> word;
    EXPECT_EQ(word, "box") << path;
    for (float& b : f.box) b = real();
    f.x.resize(static_cast<std::size_t>(f.natoms) * 3);
    for (float& v : f.x) v = real();
    frames.push_back(std::move(f));
  }
  return frames;
}

}  // namespace tvl::test
