// readsys: opens the system file, walks its top-level sections and hands
// each to its section reader, then runs the final steps.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>

#include "common/error.h"
#include "common/infile.h"
#include "common/outfile.h"
#include "common/sysfile/reader.h"

namespace tvl::sys {

namespace detail {

// ---- pair tables ----------------------------------------------------------

double PairTable::get(int i, int j) const {
  if (i >= cap_ || j >= cap_) return 0.0;
  return v_[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * cap_];
}

void PairTable::set(int i, int j, double v) {
  int need = std::max(i, j) + 1;
  if (need > cap_) {
    int nc = std::max(need, std::max(16, cap_ * 2));
    std::vector<double> nv(static_cast<std::size_t>(nc) * nc, 0.0);
    for (int c = 0; c < cap_; ++c)
      for (int r = 0; r < cap_; ++r)
        nv[static_cast<std::size_t>(r) + static_cast<std::size_t>(c) * nc] =
            v_[static_cast<std::size_t>(r) + static_cast<std::size_t>(c) * cap_];
    v_ = std::move(nv);
    cap_ = nc;
  }
  v_[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * cap_] = v;
}

std::vector<double> PairTable::dense(int n) const {
  std::vector<double> out(static_cast<std::size_t>(n) * n, 0.0);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) out[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * n] = get(i, j);
  return out;
}

// ---- messages -------------------------------------------------------------

void fail(std::vector<std::string> lines, bool two_dots) {
  std::vector<std::string> all;
  all.reserve(lines.size() + 2);
  all.push_back(text::free_text("ERROR:"));
  all.push_back(text::free_text(two_dots ? "interpreting the <system>-file.."
                                         : "interpreting the <system>-file..."));
  for (auto& l : lines) all.push_back(std::move(l));
  tvl::stop(std::move(all), exit_error, Stream::out);
}

std::string increase_line(std::string_view limit) {
  return FreeLine().t("Check <system>-file or ").t("increase ").t(limit).t(" in file ").t("tvl_const.");
}

void type_overflow(std::string_view what, int t, int limit, std::string_view limit_name) {
  fail({FreeLine().t(what).t("molecule-type").i(t + 1).t(" exceeds maximum of ").i(limit),
        increase_line(limit_name)});
}

void section_overflow(std::string_view what, std::string_view sec, int limit, std::string_view limit_name) {
  fail({FreeLine().t(what).t(sec).t("-section exceeds maximum of ").i(limit), increase_line(limit_name)});
}

void type_entry_error(std::string_view what, int n, std::string_view sec, int t) {
  fail({FreeLine().t(what).i(n).t(" in the ").t(sec).t("-section for molecule-type ").i(t + 1)});
}

void bad_entry(std::string_view sec, int n) {
  fail({FreeLine().t("Check entry in ").t(sec).t("-section at position").i(n)});
}

// ---- reading records ------------------------------------------------------

[[noreturn]] void read_error(const std::string& fname) {
  tvl::stop({"ERROR: Cannot read SYSTEM-file " + text::quoted(fname)});
}

bool Reader::next() {
  const rec::RecordList& list = file.records;
  if (at < list.records.size()) {
    rec = list.records[at].text;
    line_no = list.records[at].line;
    ++at;
    return true;
  }
  if (list.long_line) fail(list.long_line->lines);
  if (list.read_error) read_error(fname);
  return false;
}

void Reader::next_in(std::string_view name) {
  if (!next())
    fail({FreeLine().t("End of file inside the {").t(name).t("}-section.")});
}

void Reader::split() { nw = rec::split_record(rec, w); }

// A missing word is the empty word, which is no number.
bool Reader::get_int(int k, int& v) const { return text::parse_int(word(k), v); }

bool Reader::get_real(int k, double& v) const { return text::parse_real(word(k), v); }

bool Reader::get_site(int k, int& v) const {
  long long x = 0;
  if (!text::parse_int(word(k), x)) return false;
  // Kept in int range after the shift to 0-based numbering.
  if (x <= static_cast<long long>(INT_MIN) || x > static_cast<long long>(INT_MAX)) return false;
  v = static_cast<int>(x - 1);
  return true;
}

int Reader::find_type(std::string_view word) const {
  int found = -1;
  for (int i = 0; i < sd.nsp; ++i)
    if (text::same_text(word, sd.name_sp[i])) found = i;
  return found;
}

void Reader::progress(std::string_view t) const {
  if (iprint > 0) out_line(text::free_text(t));
}

}  // namespace detail

SystemFile load_system_file(const std::string& sysfile) {
  if (!sysfile.empty() && sysfile[0] == '-') tvl::stop({"ERROR: No SYSTEM-file specified"});
  text::check_name_length(sysfile, "system file name", exit_error);
  SystemFile f;
  f.name = text::trim_right(sysfile);
  InFile in = open_in(f.name);
  if (!in) detail::read_error(f.name);
  f.records = rec::read_records(in.get(), reclen);
  return f;
}

SystemDescription readsys(int iprint, const std::string& sysfile, const Limits& lim, double tol_con,
                          std::array<double, 3> ecell) {
  return readsys(iprint, load_system_file(sysfile), lim, tol_con, ecell);
}

SystemDescription readsys(int iprint, const SystemFile& file, const Limits& lim, double tol_con,
                          std::array<double, 3> ecell) {
  using namespace detail;
  SystemDescription sd;
  sd.ecell = ecell;
  Reader r(iprint, lim, sd, file);

  while (r.next()) {
    std::string name;
    if (!rec::begin_key(r.rec, name)) continue;
    if (starts(name, "sites")) {
      read_sites(r, name);
    } else if (starts(name, "lj")) {
      read_lj(r, name);
    } else if (starts(name, "lorentz_lj")) {
      read_combination(r, name, false);
    } else if (starts(name, "opls_lj")) {
      read_combination(r, name, true);
    } else if (starts(name, "molecule")) {
      read_molecule(r, name);
    } else if (starts(name, "build")) {
      read_build(r, name);
    } else if (starts(name, "umbrella")) {
      read_umbrella(r, name);
    } else if (starts(name, "efg")) {
      read_efg(r, name);
    }
    // Any other section is skipped: its lines are read as top-level lines.
  }

  if (iprint > 0) out_line(" SYSTEM FILE " + text::quoted(r.fname) + " SUCCESSFULLY PROCESSED");

  sd.sigsp6 = r.sig6.dense(sd.nsp);
  sd.epssp4 = r.eps4.dense(sd.nsp);
  final_steps(r, tol_con);
  return sd;
}

}  // namespace tvl::sys
