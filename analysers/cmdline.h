#pragma once
// The command line of the analysers rotcf and mucf: two passes over the same
// arguments, the help texts and the banner.
#include <string>
#include <vector>

#include "analysers/engine.h"
#include "common/standard_flags.h"

namespace tvl::an {

inline constexpr int max_args = 100;  // arguments examined, and trajectory names of one list

// What differs between the two analysers on the command line.
struct ProgramText {
  std::string upper;                    // "ROTCF" / "MUCF": prefix of the error messages
  std::vector<std::string> short_help;  // shown when too few arguments are given
  std::vector<std::string> long_help;   // shown for a lone -help
};

// Run settings from the command line. "-" stands for a name that was not given.
struct Settings {
  std::string kind;                 // "crd" or "xtc" ("" when no list was given)
  std::vector<std::string> trajs;   // trajectory names in reading order
  float dtime = 0.0f;               // time between two consecutive configurations
  int tmax = 0;                     // largest lag, in kept configurations
  int tgap = 1;                     // step between evaluated lags
  int sgap = 1;                     // step between time origins
  int ngap = 1;                     // keep one configuration of every ngap
  int verbosity = 0;
  Engine corr = Engine::automatic;  // -corr: correlation engine
  int nthreads = 0;                 // -nt: threads of the run (0: not given)
  std::string sys = "-", in = "-", gin = "-";
};

// Reads the command line. Writes the echo lines of the first pass and, at
// verbosity 1 or more, the banner. Help, version and every fault of the
// command line end the run by throwing tvl::Stop (status 0 for -help and
// -version, 2 for a wrong or incomplete command line).
Settings parse_command_line(int argc, char** argv, const ProgramText& prog);

// The banner lines written at verbosity 1 or more.
std::vector<std::string> banner();

// The free-format text of a single-precision value: its shortest decimal
// form (0.2f shows as 0.2, not as the digits of its double widening).
double single(float v);

}  // namespace tvl::an
