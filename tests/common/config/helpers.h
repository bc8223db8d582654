#pragma once
// Small systems and files for the configuration tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/config/configuration.h"
#include "common/error.h"
#include "common/sysfile/system.h"
#include "tests/support/support.h"

namespace tvl::test {

// Two site types (a: mass 16, charge -0.8; b: mass 1, charge 0.4) and the
// molecule types "wat" (a b b) and "ion" (a).
inline sys::SystemDescription two_types() {
  sys::SystemDescription s;
  s.nsp = 2;
  s.name_sp = {"a", "b"};
  s.q_sp = {-0.8, 0.4};
  s.mas_sp = {16.0, 1.0};
  sys::MolType w;
  w.label_mol = "wat";
  w.nsimol = 3;
  w.nfree = 6;
  w.sptype_mol = {0, 1, 1};
  w.xmol = {0.0, 0.1, -0.03};
  w.ymol = {0.0, 0.0, 0.09};
  w.zmol = {0.0, 0.0, 0.0};
  sys::MolType i;
  i.label_mol = "ion";
  i.nsimol = 1;
  i.nfree = 3;
  i.sptype_mol = {0};
  i.xmol = i.ymol = i.zmol = {0.0};
  s.mol = {w, i};
  s.ntymol = 2;
  return s;
}

// What a configuration reader gave: whether it found a file, the name it
// read (a default name replaces the given one), its standard output, the
// configuration and the cut-off radii after the box check.
struct Read {
  bool found = false;
  std::string name;
  std::string out;
  config::Configuration c;
  config::Cutoff cut;
};

// The structure-file and GRO readers take the same arguments.
using ConfigReader = bool (*)(std::string&, int, const sys::SystemDescription&,
                              config::Configuration&, config::Cutoff&, const config::Limits&);

inline Read read_with(ConfigReader reader, const std::string& name, const sys::SystemDescription& s,
                      int verbosity = 0, config::Cutoff cut = {}, config::Limits lim = {}) {
  Read r;
  r.name = name;
  r.cut = cut;
  r.out = capture_stdout([&] { r.found = reader(r.name, verbosity, s, r.c, r.cut, lim); });
  return r;
}

// Every beginning of `text` that ends at a line end, the whole text excepted:
// the text cut after each of its lines but the last.
inline std::vector<std::string> cut_after_lines(const std::string& text) {
  std::vector<std::string> cuts;
  for (std::size_t pos = text.find('\n'); pos != std::string::npos && pos + 1 < text.size();
       pos = text.find('\n', pos + 1))
    cuts.push_back(text.substr(0, pos + 1));
  return cuts;
}

}  // namespace tvl::test
