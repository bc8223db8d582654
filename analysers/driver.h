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
  sys::SystemFile sysfile;  // the system file, read once for all its sections
  sys::SystemDescription sys;
  config::Configuration conf;
  std::string config_name;  // the structure or GRO file the configuration came from
};

// System file, then structure file (else GRO file), then the interaction
// data; stops when no configuration is found or it holds no molecule.
Inputs load_inputs(const Settings& s);

// Stops (exit 1) when a result file is one of the inputs (system file,
// configuration file, a trajectory) by name or through a link: writing the
// results would destroy it. Called before anything is written.
void keep_inputs(const Settings& s, const Inputs& in, const std::vector<std::string>& results,
                 const std::string& upper);

// Time between two kept configurations after the -gap thinning.
float scaled_dtime(const Settings& s);

// Reads all trajectories; for every kept configuration F (1-based) checks
// the limits nstmax and buffsize and calls reduce(conf, F, row) to fill the
// store's new row. Returns the number of kept configurations.
int read_frames(const Settings& s, config::Configuration& conf, VectorStore& store,
                const std::function<void(const config::Configuration&, int, float*)>& reduce);

// The lag/origin grid of the run.
LagScheme lag_scheme(const Settings& s, int frames);

// One result line: tau x dtime, then the values, each in 15 columns in
// exponent form with 5 significant digits.
std::string result_line(float time, const std::vector<double>& values);

// Threads used by the correlation (0: all cores).
struct RunOptions {
  unsigned nthreads = 0;
};

// What an analyser brings to the common run.
struct Analysis {
  std::string upper;  // "ROTCF" / "MUCF": the block title and the prefix of the driver's messages
  int nseries = 0;    // K
  // Fills the store row of kept configuration F (1-based) from the configuration.
  std::function<void(const config::Configuration&, int, float*)> reduce;
  std::vector<std::string> summary;  // lines written after " Configurations:"
  std::vector<int> group;            // accumulator group of every series
  int ngroups = 1;
  Legendre2 leg;
  std::function<void(int)> progress;  // writes the line shown before series k (0-based) is correlated
};

struct Correlated {
  LagScheme lags;
  Sums sums;
};

// The common run after the inputs: the "    ROTCF" block, all trajectories
// into the vector store, the check of their count against tmax, the summary
// and, series by series, the correlation. At verbosity 1 or more the speed
// of the read and of the correlation is written.
Correlated read_and_correlate(const Settings& s, config::Configuration& conf, const Analysis& a,
                              const RunOptions& opt);

}  // namespace tvl::an
