#pragma once
// The structure file: one configuration as text (box, molecules, and per site
// position, velocity and force). The site count and site types of a molecule
// come from its molecule type in the system description.
#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/config/configuration.h"
#include "common/sysfile/system.h"
#include "common/text/fortran.h"

namespace tvl::config {

// Opens a structure file for reading: first `name`, then "tvl.structure",
// then "tvlin.str". When a default name is the one opened it replaces `name`.
// Returns the open stream, or nullptr when none of the three can be opened.
std::FILE* open_strfile(std::string& name);

// Reads the structure file into `c`. Returns false (found = 0) when no file
// could be opened; at verbosity >= 1 a warning says so. Every error after the
// file was opened throws Stop (exit 1). The cut-off radii in `cut` may be
// lowered to half the shortest box edge, with a correction report.
bool read_str(std::string& name, int verbosity, const sys::SystemDescription& s, Configuration& c,
              Cutoff& cut, const Limits& lim = {});

// Writes `c` as a structure file: box as three F12.6, M as I7, per molecule a
// blank line, its label, type/site count/molecule number as 3I7, and per site
// its type name and index (A10,1X,I4) and position, velocity and force as
// 3E15.8 each. Molecule type numbers are written 1-based.
void write_str(const std::string& file, const Configuration& c, const sys::SystemDescription& s);

// ---- structure files without a system description ----------------------
// The structure filters take each molecule's site count from its header
// line. The box and M are read as read_str reads them, free-format, so that
// every program of the suite reads one file alike. Two ways of reading the
// molecules:
//   columns: the molecule header as 3I7, the site line as A10,1X,I4;
//   free:    the header's type and site count are read free-format (the
//            header line must hold both), the site integer comes from
//            columns 11-17 and the force line is skipped.
// Both take the name of a molecule and of a site from columns 1-10 and
// positions, velocities and forces as three 15-column fields. A malformed,
// missing or unreadable item, or a negative count, throws the Stop
// "ERROR: STRUCTURE-file is corrupted !".
enum class StrReading { columns, free };

struct StrSite {
  std::string name;                     // columns 1-10
  long long number = 0;                 // the integer after the name
  std::array<double, 3> r{}, v{}, f{};  // position, velocity, force
};

struct StrMolecule {
  std::string name;                 // columns 1-10
  std::array<long long, 3> head{};  // type, site count, third value (0 when read free)
  std::vector<StrSite> sites;
};

// The box: three reals, free-format (a line holding fewer goes on to the next).
void read_str_box(tvl::text::LineReader& in, std::array<double, 3>& box);
// M: one integer, free-format.
long long read_str_count(tvl::text::LineReader& in);
// The separator, name and header lines of a molecule; its sites are not read.
void read_str_molecule_head(tvl::text::LineReader& in, StrReading how, StrMolecule& m);
void read_str_site(tvl::text::LineReader& in, StrReading how, StrSite& s);

// A structure file (molecules read by columns) to be written anew with its box edges and
// molecule count multiplied by `factors` (1, 1, 1 for a plain copy). The two
// header lines of the output are made, and so checked against their fields,
// before the molecules are read (in 64 bits: a product too large fits no
// field). A molecule of more than max_sites sites is refused (naming it and
// nsicopymax) before its sites are read. Nothing is written here.
struct StrRewrite {
  std::array<double, 3> box{};        // of the input
  std::string box_line, count_line;   // of the output
  std::vector<StrMolecule> mol;
};
StrRewrite read_str_rewrite(std::FILE* in, const std::array<long long, 3>& factors, long long max_sites);

// Lines of the layout the suite writes; a value that does not fit its field
// throws a Stop naming it instead of writing asterisks.
std::string str_box_line(const std::array<double, 3>& box);      // 3F12.6, each beginning with a blank
std::string str_count_line(long long m, int width = 6);           // Iw
// The blank separator line, the name (A10) and the header (3I7), as one text
// of three lines without a final line end.
std::string str_molecule_head(std::string_view name, const std::array<long long, 3>& head);
// The four lines of a site (A10,1X,I4 and three 3E15.8) without a final line end.
std::string str_site_block(std::string_view name, long long number, const std::array<double, 3>& r,
                           const std::array<double, 3>& v, const std::array<double, 3>& f);

}  // namespace tvl::config
