#pragma once
// Trajectory files and configurations for the trajectory tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/config/configuration.h"
#include "common/error.h"
#include "common/traj/crd.h"
#include "tests/support/support.h"

namespace tvl::test {

// Frame k (from 0) of a test trajectory: box (k, 2, 3), site s at
// (k + s/10, -s, 100k + s).
inline crd::Frame frame(int n, int k) {
  crd::Frame f;
  f.box[0] = static_cast<float>(k);
  f.box[1] = 2.0f;
  f.box[2] = 3.0f;
  for (int s = 0; s < n; ++s) {
    f.x.push_back(static_cast<float>(k) + 0.1f * static_cast<float>(s));
    f.y.push_back(-static_cast<float>(s));
    f.z.push_back(100.0f * static_cast<float>(k) + static_cast<float>(s));
  }
  return f;
}

// Writes frames first .. first+count-1 of an n-site trajectory.
inline void write_crd(const std::string& name, int n, int first, int count) {
  crd::Writer w;
  w.open(name, n);
  for (int k = first; k < first + count; ++k) w.write(frame(n, k));
  w.close();
}

// A configuration of n sites in molecules of three (the last may be shorter),
// masses 1, 2, 3 within each molecule.
inline config::Configuration sites(int n) {
  config::Configuration c;
  config::reset(c);
  for (int s = 0; s < n; ++s) {
    if (s % 3 == 0) {
      config::add_molecule(c);
      c.mol_offset[c.m - 1] = s;
    }
    config::add_site(c);
    const int m = c.m - 1;
    c.mol_of_site[s] = m;
    c.index_in_mol[s] = s % 3;
    c.mas[s] = 1.0 + s % 3;
    c.mol_mass[m] += c.mas[s];
    c.mol_nsites[m] += 1;
  }
  config::set_relative_masses(c);
  return c;
}

}  // namespace tvl::test
