#pragma once
// The C-preprocessor subset that GROMACS topologies use, as a line source of
// its own: #include (searched in the including file's folder, then each -I
// folder, then the library folders), #define NAME [value], #undef,
// #ifdef, #ifndef, #else, #endif. A line ending in '\' continues on the
// next one; ';' starts a comment, and so does '*' at the start of a line. Defined names are replaced by their values
// in the text lines, word by word. What comes out are the active,
// non-empty text lines, each with the file and line it started on.
#include <string>
#include <utility>
#include <vector>

#include "common/gromacs/topology.h"

namespace tvl::gmx {

struct Line {
  std::string text;  // comment removed, continuation joined, defines replaced, trimmed
  Where at;
};

struct PreprocessOptions {
  std::vector<std::string> include_dirs;  // -I folders, searched in this order
  std::vector<std::pair<std::string, std::string>> defines;  // -D NAME[=value], in order
  std::vector<std::string> library_dirs;  // searched after the -I folders
};

// The library folders of the installed GROMACS: every folder of $GMXLIB
// (colon-separated), then the data folder: $GMXDATA/top when $GMXDATA is set,
// else share/gromacs/top next to the `gmx` program found on $PATH. Folders
// that do not exist are left out.
std::vector<std::string> default_library_dirs();

// Stops (exit 1) with " ERROR: <file>, line <n>: <what>", the frame of every
// message about a topology line.
[[noreturn]] void stop_at(const Where& at, const std::string& what);

// "NAME" or "NAME=value" of a -D option into its name and value; throws a
// Stop (exit 2) when the name is empty.
std::pair<std::string, std::string> parse_define(const std::string& arg);

// Reads `file` and everything it includes. Every error (a file that cannot
// be read or found, an include cycle, an unbalanced #ifdef, an unknown
// directive) throws a Stop naming the file and line. `files`, when given,
// gets the name of every file read, including those that give no line.
std::vector<Line> preprocess(const std::string& file, const PreprocessOptions& opt,
                             std::vector<std::string>* files = nullptr);

}  // namespace tvl::gmx
