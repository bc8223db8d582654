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
#include "common/tvl_const.h"

namespace tvl::an {

struct Inputs {
  sys::SystemFile sysfile;  // the system file, read once for all its sections
  sys::SystemDescription sys;
  config::Configuration conf;
  std::string config_name;  // the structure or GRO file the configuration came from
};

// Upper bounds of a run's tables (the build's by default: none unless the
// build sets one); each is named in its overflow message.
struct RunLimits {
  sys::Limits sys;        // the system file's tables
  config::Limits config;  // sites and molecules of the configuration
  int nstmax = tvl::nstmax;           // kept configurations
  long long buffsize = tvl::buffsize;  // values of the vector store

  static RunLimits classic() {
    return {sys::Limits::classic(), config::Limits::classic(), tvl::classic::nstmax, tvl::classic::buffsize};
  }
};

// System file, then structure file (else GRO file), then the interaction
// data; stops when no configuration is found or it holds no molecule.
Inputs load_inputs(const Settings& s, const RunLimits& lim = {});

// Stops (exit 1) when a result file is one of the inputs (system file,
// configuration file, a trajectory) by name or through a link: writing the
// results would destroy it. Called before anything is written.
void keep_inputs(const Settings& s, const Inputs& in, const std::vector<std::string>& results,
                 const std::string& upper);

// Time between two kept configurations after the -gap thinning.
float scaled_dtime(const Settings& s);

// Reads all trajectories; for every kept configuration F (1-based) checks
// the bound nstmax (and the store's own, buffsize) and appends the row that
// reduce(conf, F, row) fills to the store. Frames are decoded, placed and
// reduced on `nthreads` threads (0: one per core), in frame order into the
// store, so the store and every message are the same for any thread count.
// Returns the number of kept configurations.
int read_frames(const Settings& s, config::Configuration& conf, VectorStore& store,
                const std::function<void(const config::Configuration&, int, float*)>& reduce,
                int nstmax = tvl::nstmax, unsigned nthreads = 0);

// The lag/origin grid of the run.
LagScheme lag_scheme(const Settings& s, int frames);

// One result line: tau x dtime, then the values, each in 15 columns in
// exponent form with 5 significant digits.
std::string result_line(float time, const std::vector<double>& values);

// Threads of the run when -nt is not given (0: one per core), and the bounds
// of the run.
struct RunOptions {
  unsigned nthreads = 0;
  RunLimits limits = {};
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
