#pragma once
// The flags every program of the suite answers alike when one of them is the
// only argument: -h, -help and --help print the program's help to standard
// output, --version prints the suite's version line; both end with status 0.
// Any other command line is left to the program.
#include <string>
#include <vector>

namespace tvl {

inline constexpr double tvl_version = 4.16;

// " TARVELO Version: 4.16", the line the analysers write for -version.
std::string version_line();

// Ends the program (through tvl::stop_ok) when argv holds exactly one argument
// and it is a help or version flag; returns otherwise.
void standard_flags(int argc, char** argv, const std::vector<std::string>& help);

// Stops with the usage status (2): the line saying what is wrong with the
// command line, then the help.
[[noreturn]] void usage_stop(const std::string& what, const std::vector<std::string>& help);

}  // namespace tvl
