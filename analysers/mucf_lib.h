#pragma once
// mucf: P1 and P2 reorientational time-correlation functions of the molecular
// dipoles, one column per molecule type.
#include <string>
#include <vector>

#include "analysers/cmdline.h"
#include "analysers/correlate.h"
#include "analysers/driver.h"
#include "common/config/configuration.h"
#include "common/sysfile/system.h"

namespace tvl::an {

// The dipoles of all molecules in configuration `frame` (1-based, for the
// message) into row[3m .. 3m+2], then the box into row[3M .. 3M+2]. Each
// component is summed site by site in single precision. Stops when a dipole
// cannot be normalised.
void dipoles(const sys::SystemDescription& sys, const config::Configuration& c, int frame, float* row);

// "mucf_p1.dat" and "mucf_p2.dat": per lag tau x dtime and, per molecule type,
// the average of the Legendre term over its molecules and origins. A type
// without molecules writes 0 in its column; lags without origin are not written.
void write_mucf(const std::string& file_p1, const std::string& file_p2, const Sums& sums,
                const LagScheme& lags, float dtime);

const ProgramText& mucf_text();

int run_mucf(int argc, char** argv, const RunOptions& opt = {});

}  // namespace tvl::an
