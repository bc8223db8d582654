#pragma once
// Internal state and helpers of the system-file reader, shared by the files
// of the section families (sites and LJ, molecule structure, intramolecular
// terms, build/umbrella/efg, final steps). Not for use outside common/sysfile.
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/outfile.h"
#include "common/sysfile/system.h"
#include "common/text/fortran.h"
#include "common/text/records.h"

namespace tvl::sys::detail {

using text::FreeLine;

// Lennard-Jones pair table indexed by two site types, independent of how
// many types exist when an entry is set: growing the number of site types
// never shifts earlier entries.
class PairTable {
 public:
  double get(int i, int j) const;
  void set(int i, int j, double v);  // grows as needed
  // Copy into an n x n table, column by column (entry (i, j) at i + j * n).
  std::vector<double> dense(int n) const;

 private:
  int cap_ = 0;
  std::vector<double> v_;  // cap_ x cap_, column by column
};

struct Reader {
  Reader(int iprint, const Limits& lim, SystemDescription& sd, const SystemFile& file)
      : iprint(iprint), lim(lim), sd(sd), file(file), fname(file.name) {}

  int iprint;
  const Limits& lim;
  SystemDescription& sd;

  const SystemFile& file;    // the records of the system file
  std::size_t at = 0;        // records taken so far
  const std::string& fname;  // file name as given (trailing blanks removed)
  long line_no = 0;          // physical line of the current record

  // Current record and its words.
  std::string rec;
  rec::WordList w;
  int nw = 0;

  // Pair tables in their final units, and the raw diagonal values (Angstrom,
  // Kelvin) given in the combination sections, from which every combination
  // section recomputes the whole table.
  PairTable sig6, eps4;
  std::vector<double> raw_sig, raw_eps;

  // Build section counts while reading.
  std::array<long long, 3> ndup{0, 0, 0};

  // Next record into `rec`; false at end of input. A read error, or an
  // over-long line (in the reader's frame), stops where it is reached.
  bool next();
  // Next record inside the open section `name`: the end of the input there
  // stops with "End of file inside the {name}-section.", since the section's
  // closing work would be left undone.
  void next_in(std::string_view name);
  // Splits `rec` into words (`w`, `nw`).
  void split();
  // Word k (1-based) or an empty view when the record has fewer words.
  std::string_view word(int k) const { return k >= 1 && k <= nw ? std::string_view(w[k - 1]) : std::string_view(); }

  // Reads word k as a number; false when it is missing or not a number.
  bool get_int(int k, int& v) const;
  bool get_real(int k, double& v) const;
  // ... that stays a finite number when multiplied by `factor` (its unit conversion).
  bool get_real(int k, double& v, double factor) const { return get_real(k, v) && std::isfinite(v * factor); }
  // A site number: stored as (number - 1).
  bool get_site(int k, int& v) const;

  // Site-type lookup: index of the last (or first) type whose name equals the
  // word, -1 when none does. A word of more than 10 characters never matches.
  int find_type(std::string_view word) const;

  void progress(std::string_view text) const;  // " " + text when iprint > 0
};

// True when `w` begins with `key` (keywords are recognised on as many
// leading characters as they have).
inline bool starts(std::string_view w, std::string_view key) { return w.substr(0, key.size()) == key; }

// Writes one free-format line to standard output.
inline void say(const FreeLine& l) { out_line(l.str()); }

// Stops with the reader's frame: "ERROR:", "interpreting the <system>-file..."
// (two dots when `two_dots`), then the given lines.
[[noreturn]] void fail(std::vector<std::string> lines, bool two_dots = false);
// "ERROR: Cannot read SYSTEM-file" and the name: the file cannot be opened or read.
[[noreturn]] void read_error(const std::string& fname);
// The common second line of overflow messages: "Check <system>-file or increase <limit> in file tvl_const."
std::string increase_line(std::string_view limit);
// Overflow of a table of one molecule type (t 0-based):
// "<what>molecule-type <t> exceeds maximum of <limit>", then the increase line.
[[noreturn]] void type_overflow(std::string_view what, int t, int limit, std::string_view limit_name);
// Overflow of a table filled by one section:
// "<what><sec>-section exceeds maximum of <limit>", then the increase line.
[[noreturn]] void section_overflow(std::string_view what, std::string_view sec, int limit,
                                   std::string_view limit_name);
// An unreadable entry n of a subsection of molecule type t (0-based):
// "<what> <n> in the <sec>-section for molecule-type <t>".
[[noreturn]] void type_entry_error(std::string_view what, int n, std::string_view sec, int t);
// An unreadable entry n of a section: "Check entry in <sec>-section at position <n>".
[[noreturn]] void bad_entry(std::string_view sec, int n);

// Section handlers; each is called after the begin line and returns after the
// matching end line.
// `name` is the section name as opened (its end line must repeat it).
void read_sites(Reader& r, const std::string& name);
void read_lj(Reader& r, const std::string& name);
void read_combination(Reader& r, const std::string& name, bool opls);
void read_molecule(Reader& r, const std::string& name);
void read_build(Reader& r, const std::string& name);
void read_umbrella(Reader& r, const std::string& name);
void read_efg(Reader& r, const std::string& name);

// Subsections of the molecule section (intramolecular terms); t is the
// 0-based molecule type.
void read_bonds(Reader& r, const std::string& name, int t);
void read_angles(Reader& r, const std::string& name, int t);
void read_dihedrals(Reader& r, const std::string& name, int t);
void read_nonbonded(Reader& r, const std::string& name, int t);
void read_virtual(Reader& r, const std::string& name, int t);

// The computations after the last line, in their order.
void final_steps(Reader& r, double tol_con);

// Loops over the entries of an open section until its end line; calls
// entry(n) with the 1-based entry number after splitting the record.
template <class F>
void for_entries(Reader& r, const std::string& name, F&& entry) {
  int n = 0;
  for (;;) {
    r.next_in(name);
    if (rec::end_key(r.rec, name)) return;
    r.split();
    entry(++n);
  }
}

// Unit conversions shared by the sections (factors in system.h).
inline double sig6_of(double sigma_angstrom) {
  double s = 0.1 * sigma_angstrom;
  double s2 = s * s;
  return s2 * s2 * s2;
}
inline double eps4_of(double eps_kelvin) { return 4.0 * kelvin_to_kj * eps_kelvin; }
// Lennard-Jones values a pair table can hold: sigma (Angstrom) and epsilon
// (Kelvin) not negative, and finite in their stored form and as the product
// of two such values that the combination sections form.
inline bool lj_ok(double sig, double eps) {
  return sig >= 0.0 && eps >= 0.0 && std::isfinite(sig6_of(sig)) && std::isfinite(eps * eps);
}

}  // namespace tvl::sys::detail
