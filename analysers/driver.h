#pragma once
// The common skeleton of rotcf and mucf: input chain, frame loop into the
// vector store, the checks on the number of configurations, and the shared
// layout of the result files.
#include <functional>
#include <string>
#include <vector>

#include "analysers/cmdline.h"
#include "analysers/correlate.h"
#include "analysers/store.h"
#include "common/config/configuration.h"
#include "common/sysfile/system.h"

namespace tvl::an {

struct Inputs {
  sys::SystemDescription sys;
  config::Configuration conf;
};

// System file, then structure file (else GRO file), then the interaction
// data; stops when no configuration is found or it holds no molecule.
Inputs load_inputs(const Settings& s);

// The block written before the trajectories are read ("    ROTCF" ...).
void print_block(const std::string& upper);

// Time between two kept configurations after the -gap thinning.
float scaled_dtime(const Settings& s);

// Reads all trajectories; for every kept configuration F (1-based) checks
// the limits nstmax and buffsize and calls reduce(conf, F, row) to fill the
// store's new row. Returns the number of kept configurations.
int read_frames(const Settings& s, config::Configuration& conf, VectorStore& store,
                const std::function<void(const config::Configuration&, int, float*)>& reduce);

// Stops when fewer configurations than tmax were kept.
void check_frames(int frames, const Settings& s, const std::string& upper);

// The lag/origin grid of the run.
LagScheme lag_scheme(const Settings& s, int frames);

// Writes " Configurations" ... before the analyser's summary.
void print_configurations(int frames);

// One result line: tau x dtime, then the values, each in 15 columns in
// exponent form with 5 significant digits.
std::string result_line(float time, const std::vector<double>& values);

// Speed lines written at verbosity 1 or more: frames per second of the read
// phase, lag x origin x series pairs per second of the correlation.
void report_read_speed(int frames, double seconds);
void report_correlation_speed(const LagScheme& lags, int nseries, double seconds);

// Seconds since a steady-clock start point given by seconds_now().
double seconds_now();

// Threads used by the correlation (0: all cores).
struct RunOptions {
  unsigned nthreads = 0;
};

}  // namespace tvl::an
