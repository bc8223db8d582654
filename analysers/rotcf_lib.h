#pragma once
// rotcf: P1 and P2 reorientational time-correlation functions of the normals
// of planes given by four sites of a molecule, averaged over all series.
#include <string>
#include <vector>

#include "analysers/cmdline.h"
#include "analysers/correlate.h"
#include "analysers/driver.h"
#include "common/config/configuration.h"
#include "common/sysfile/system.h"

namespace tvl::an {

inline constexpr int nvecmax = 4;  // vector definitions of the {rotcf} section

// One vector definition: molecule type t and sites s1..s4, 1-based as written.
// The vector is (r(s1) - r(s2)) x (r(s3) - r(s4)).
struct VecDef {
  int type = 0;
  int site[4] = {0, 0, 0, 0};
};

// Reads the definitions of the last closed {rotcf} section of the system
// file and checks them against the molecule types. Stops (exit 1) on an
// unreadable or short definition, more than nvecmax definitions, a molecule
// type or site number outside the system, or a missing or unclosed section.
std::vector<VecDef> read_vec(const sys::SystemFile& file, const sys::SystemDescription& sys);

// One vector series: molecule (0-based) and definition (0-based).
struct VecSeries {
  int mol = 0;
  int def = 0;
};

// The series in molecule order and, within a molecule, definition order.
std::vector<VecSeries> find_series(const std::vector<VecDef>& defs, const config::Configuration& c);

// The vectors of all series in configuration `frame` (1-based, for the
// message) into row[3k .. 3k+2]. Stops when a vector cannot be normalised.
void plane_normals(const std::vector<VecDef>& defs, const std::vector<VecSeries>& series,
                   const config::Configuration& c, int frame, float* row);

// "rotcf_p1p2.dat": per lag tau x dtime, P1(tau)/P1(0), P2(tau)/P2(0).
// Lags without an origin are not written.
void write_rotcf(const std::string& file, const Sums& sums, const LagScheme& lags, float dtime);

const ProgramText& rotcf_text();

// The whole program (main calls it with the default options).
int run_rotcf(int argc, char** argv, const RunOptions& opt = {});

}  // namespace tvl::an
