#pragma once
// Small systems and files for the configuration tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

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


// Runs f, expecting a Stop; returns its lines joined by newlines.
template <class F>
std::string stop_text(F&& f) {
  try {
    f();
  } catch (const tvl::Stop& s) {
    std::fflush(stdout);
    std::string t;
    for (const auto& l : s.lines) t += l + "\n";
    return t;
  }
  ADD_FAILURE() << "no Stop thrown";
  return "";
}

}  // namespace tvl::test
