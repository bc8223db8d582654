#include "analysers/cmdline.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "common/error.h"
#include "common/outfile.h"
#include "common/text/fortran.h"
#include "common/threads.h"

namespace tvl::an {

namespace {

using text::FreeLine;
using text::free_text;

[[noreturn]] void syntax_error(const ProgramText& prog) {
  stop({free_text(prog.upper + " ERROR: Syntax error in command-line")}, exit_usage);
}

[[noreturn]] void check_args() { stop({free_text("ERROR: Check commandline arguments")}, exit_usage); }

// The first free-format word of an argument ("" when it has none).
std::string first_word(const std::string& arg) {
  auto w = text::free_words(arg);
  return w.empty() ? std::string() : w.front();
}

// Arguments 1 .. n as texts; index 0 is unused so that positions stay 1-based
// like the command line itself.
struct Args {
  std::vector<std::string> a;
  int n = 0;
  const std::string& operator[](int i) const { return a[static_cast<std::size_t>(i)]; }
  bool has_value(int i) const { return i + 1 <= n; }
};

// An argument of blanks only counts as empty, as in a blank-padded text.
bool blank(const std::string& arg) { return text::trim_right(arg).empty(); }

bool is_name(const Args& a, int i) {
  return a.has_value(i) && !blank(a[i + 1]) && a[i + 1][0] != '-';
}

float read_real(const Args& a, int i, const ProgramText& prog) {
  if (!a.has_value(i)) syntax_error(prog);
  float v = 0.0f;
  if (!text::parse_real(first_word(a[i + 1]), v)) syntax_error(prog);
  return v;
}

int read_int(const Args& a, int i, const ProgramText& prog) {
  if (!a.has_value(i)) syntax_error(prog);
  int v = 0;
  if (!text::parse_int(first_word(a[i + 1]), v)) syntax_error(prog);
  return v;
}

// Reads every occurrence of an integer option; a later one overrides an
// earlier one. Values below `lowest` are refused.
void int_option(const Args& a, const char* opt, const char* echo, int lowest, int& value,
                const ProgramText& prog) {
  for (int i = 1; i <= a.n; ++i) {
    if (a[i] != opt) continue;
    int v = read_int(a, i, prog);
    if (v < lowest) syntax_error(prog);
    value = v;
    out_line(FreeLine().t(echo).i(v).str());
  }
}

void first_pass(const Args& a, const ProgramText& prog, Settings& s) {
  // -crd / -xtc: the names up to the next option or empty argument. Only one
  // list may be given: a second one would silently drop the first.
  int lists = 0;
  for (int i = 1; i <= a.n; ++i) {
    if (a[i] != "-crd" && a[i] != "-xtc") continue;
    if (++lists > 1) syntax_error(prog);
    s.kind = a[i].substr(1);
    for (int j = i + 1; j <= a.n && !blank(a[j]) && a[j][0] != '-'; ++j) s.trajs.push_back(a[j]);
  }
  for (int i = 1; i <= a.n; ++i) {
    if (a[i] != "-time") continue;
    s.dtime = read_real(a, i, prog);
    // A time step must move forward: 0 or a negative step gives no times.
    if (!(s.dtime > 0.0f)) syntax_error(prog);
    out_line(FreeLine().t("dtime: ").r(single(s.dtime)).str());
  }
  if (s.dtime == 0.0f) stop({free_text(prog.upper + " ERROR: -time has to be specified")}, exit_usage);
  int_option(a, "-tmax", "dtmax: ", 0, s.tmax, prog);
  if (s.tmax == 0) stop({free_text(prog.upper + " ERROR: -tmax has to be specified")}, exit_usage);
  int_option(a, "-tgap", "dtgap: ", 1, s.tgap, prog);
  int_option(a, "-sgap", "stgap: ", 1, s.sgap, prog);
  int_option(a, "-gap", "ngap: ", 0, s.ngap, prog);
  for (int i = 1; i <= a.n; ++i)  // -corr direct | fft | auto, not echoed
    if (a[i] == "-corr" && (!a.has_value(i) || !engine_from_text(first_word(a[i + 1]), s.corr))) syntax_error(prog);
  for (int i = 1; i <= a.n; ++i) {  // -nt: threads, not echoed (the output is the same for any count)
    if (a[i] != "-nt") continue;
    s.nthreads = read_int(a, i, prog);
    if (s.nthreads < 1 || s.nthreads > max_threads) syntax_error(prog);
  }
  // The times written are lag x (skip + 1) x dtime in single precision: the
  // largest of them must be a finite number, never Infinity in the results.
  const float step = static_cast<float>(s.ngap > 0 ? s.ngap : 1) * s.dtime;
  if (!std::isfinite(step) || !std::isfinite(static_cast<float>(s.tmax) * step))
    stop({free_text(prog.upper +
                    " ERROR: -time, -gap and -tmax give times beyond the range of single-precision reals")},
         exit_usage);
}

void second_pass(const Args& a, Settings& s) {
  for (int i = 1; i <= a.n; ++i) {
    const std::string& o = a[i];
    if (o == "-version") {
      stop_ok({version_line()});
    } else if (o == "-v") {
      int v = 0;
      s.verbosity = (a.has_value(i) && text::parse_int(first_word(a[i + 1]), v)) ? v : 1;
    } else if (o == "-s") {
      double v = 0;
      if (!a.has_value(i) || !text::parse_real(first_word(a[i + 1]), v)) check_args();
    } else if (o == "-sys" || o == "-in" || o == "-gin") {
      if (!is_name(a, i)) check_args();
      (o == "-sys" ? s.sys : o == "-in" ? s.in : s.gin) = a[i + 1];
    } else if (o == "-crd" || o == "-xtc" || o == "-par" || o == "-vel" || o == "-dat" ||
               o == "-log" || o == "-pte" || o == "-min" || o == "-mout" || o == "-out" ||
               o == "-gout") {
      if (!is_name(a, i)) check_args();
    }
  }
}

}  // namespace

double single(float v) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  *r.ptr = '\0';
  return std::strtod(buf, nullptr);
}

std::vector<std::string> banner() {
  std::string dashes(46, '-');
  return {dashes, "  The  T A R V E L O  Package  Version " + text::fmt_f(tvl_version, 5, 3), dashes};
}

Settings parse_command_line(int argc, char** argv, const ProgramText& prog) {
  standard_flags(argc, argv, prog.long_help);
  // More arguments than are examined would be dropped without a word.
  if (argc - 1 > max_args) syntax_error(prog);
  Args a;
  a.n = argc > 1 ? argc - 1 : 0;
  a.a.resize(static_cast<std::size_t>(a.n) + 1);
  int nonempty = 0;
  bool help = false;
  for (int i = 1; i <= a.n; ++i) {
    // Arguments are blank-padded texts: trailing blanks never matter, so
    // "-sys " is the option -sys and "w.sys " names the file w.sys.
    a.a[static_cast<std::size_t>(i)] = std::string(text::trim_right(argv[i]));
    text::check_name_length(a[i], "command-line argument", exit_usage);
    if (!blank(a[i])) ++nonempty;
    if (a[i] == "-help") help = true;
  }
  if (nonempty < 2) {
    if (help) stop_ok(prog.long_help);
    stop(prog.short_help, exit_usage);
  }
  Settings s;
  first_pass(a, prog, s);
  second_pass(a, s);
  if (s.verbosity >= 1)
    for (const auto& l : banner()) out_line(l);
  return s;
}

}  // namespace tvl::an
