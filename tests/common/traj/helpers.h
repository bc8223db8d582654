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
#include "common/traj/trajectory.h"
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

// The plain frame loop over a crd list of n-site test frames: the kept
// frames (their numbers), the standard output and error, the count.
struct LoopRun {
  std::vector<int> kept;  // box[0] of every kept frame = its frame number in the sequence
  std::string out, err;
  long count = 0;
};

inline LoopRun loop(const std::vector<std::string>& names, int ngap, int n = 4) {
  config::Configuration c = test::sites(n);
  traj::Buffers b;
  traj::allocate(b);
  traj::TrajList list{traj::Kind::crd, names, ngap};
  LoopRun r;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  try {
    r.count = traj::frame_loop(list, c, b, [&](long f) {
      EXPECT_EQ(f, static_cast<long>(r.kept.size()) + 1);
      r.kept.push_back(static_cast<int>(c.box[0]));
      // The configuration holds that frame, centres of mass included.
      const crd::Frame e = test::frame(n, static_cast<int>(c.box[0]));
      for (int s = 0; s < n; ++s) EXPECT_EQ(c.z[s], e.z[s]);
      EXPECT_DOUBLE_EQ(c.xcm[0], (1 * c.x[0] + 2 * c.x[1] + 3 * c.x[2]) / 6.0);
    });
  } catch (...) {
    std::fflush(stdout);
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    throw;
  }
  std::fflush(stdout);
  r.out = testing::internal::GetCapturedStdout();
  r.err = testing::internal::GetCapturedStderr();
  return r;
}

}  // namespace tvl::test
