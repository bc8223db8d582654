// Truncated and corrupted inputs of every kind: each reader ends normally or
// with a message, never with a crash (run it under the sanitizer build).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/support/support.h"
#include "topgen/readers.h"

using namespace tvl::topgen;
using tvl::test::read_file;
using tvl::test::write_file;

namespace {

const std::string data = std::string(TVL_TEST_DATA) + "/topgen/";
const std::string examples = std::string(TVL_TEST_DATA) + "/../../examples/topgen/";

// Runs the reader on the text; true when it ended normally, false on a Stop.
template <class R>
bool survives(const std::string& name, const std::string& text, R read) {
  write_file(name, text);
  try {
    read(name);
    return true;
  } catch (const tvl::Stop& s) {
    EXPECT_FALSE(s.lines.empty());
    EXPECT_EQ(s.status, 1);
    return false;
  }
}

struct Input {
  std::string path, scratch;
  void (*read)(const std::string&);
};

const Input inputs[] = {
    {examples + "small.ff", "c.ff", [](const std::string& f) { read_own_forcefield(f); }},
    {examples + "small.lib", "c.lib", [](const std::string& f) { read_apar(f); }},
    {examples + "ethanol.tmf", "c.tmf", [](const std::string& f) { get_xyz(f, false); }},
    {examples + "ethanol.off", "c.off", [](const std::string& f) { get_off(f); }},
    {data + "dipeptide.mol2", "c.mol2", [](const std::string& f) { get_mol2(f); }},
    {data + "benzene.hin", "c.hin", [](const std::string& f) { get_hin(f, false); }},
    {data + "small_parm.dat", "c.dat", [](const std::string& f) { read_amber(f, {}); }},
    {examples + "sulfamethoxazole.frcmod", "c.frcmod",
     [](const std::string& f) { read_amber(data + "small_parm.dat", {f}); }},
    {data + "paracetamol.chg", "c.chg",
     [](const std::string& f) {
       Molecule m;
       m.atoms.resize(20);
       read_charges(f, m);
     }},
};

}  // namespace

// Warnings and "Found label" lines of the readers are captured once per test.
TEST(Robustness, TruncatedInputsEndWithAMessageOrNormally) {
  tvl::test::capture_stdout([] {
  for (const Input& in : inputs) {
    const std::string full = read_file(in.path);
    ASSERT_FALSE(full.empty()) << in.path;
    EXPECT_TRUE(survives(in.scratch, full, in.read)) << in.path;
    for (std::size_t cut = 0; cut < full.size(); cut += 11) survives(in.scratch, full.substr(0, cut), in.read);
  }
  });
}

TEST(Robustness, CorruptedInputsEndWithAMessageOrNormally) {
  tvl::test::capture_stdout([] {
  std::mt19937 rng(11);
  const char junk[] = {'\0', '\n', ' ', '#', '"', '@', '!', '-', '9', 'e', '\t', ',', '\xff', '{'};
  for (const Input& in : inputs) {
    const std::string full = read_file(in.path);
    for (int trial = 0; trial < 150; ++trial) {
      std::string t = full;
      for (int k = 0; k < 4; ++k)
        t[rng() % t.size()] = junk[rng() % sizeof junk];
      survives(in.scratch, t, in.read);
    }
  }
  });
}
