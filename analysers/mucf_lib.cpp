#include "analysers/mucf_lib.h"

#include <algorithm>

#include "common/error.h"
#include "common/outfile.h"
#include "common/text/fortran.h"

namespace tvl::an {

using text::FreeLine;
using text::free_text;

namespace {
constexpr const char* kResultP1 = "mucf_p1.dat";
constexpr const char* kResultP2 = "mucf_p2.dat";
}  // namespace

const ProgramText& mucf_text() {
  static const ProgramText t{
      "MUCF",
      {"mucf: calc dipole-dipole reorientation time correlation functions from CRD-data",
       "For help type: mucf -help"},
      {"",
       "  MUCF - dipole-dipole (P1,P2) reorientational time-correlation functions",
       "",
       "  Syntax:  mucf -sys <SYSTEM-file> -in <STRUCTURE-file> -crd <CRD-file 1> ... <CRD-file n> "
       "-xtc <XTC-file 1> ... <XTC-file n> -tmax <tmax> -tgap <tgap> -gap <gap>",
       "",
       "  Necessary:",
       "            -sys  : specify SYSTEM-file",
       "            -in   : specify STRUCTURE-file",
       "            -crd  : specify coordinate (CRD) files",
       "            -xtc  : specify coordinate (XTC) files",
       "            -time : time interval between two configurations in crd-file",
       "            -tmax : length of tcf-array",
       "  Optional:",
       "            -gap  : gap between two configurations in <CRD/XTC-file>,",
       "            -tgap : smallest gap for tcf evaluation",
       "             (In both cases a \"1\" means every config)",
       "            -corr : correlation engine: direct or fft (default: the faster one for the job)",
       "            -nt   : threads reading the trajectories and correlating (default: one per core)",
       ""}};
  return t;
}

void dipoles(const sys::SystemDescription& sys, const config::Configuration& c, int frame, float* row) {
  const std::size_t M = static_cast<std::size_t>(c.m);
  for (std::size_t k = 0; k < 3 * M; ++k) row[k] = 0.0f;
  for (std::size_t i = 0; i < static_cast<std::size_t>(c.n); ++i) {
    const double q = sys.q_sp[static_cast<std::size_t>(c.sptype[i])];
    float* mu = row + 3 * static_cast<std::size_t>(c.mol_of_site[i]);
    // Every addition in double on the single-precision running value,
    // rounded back to single precision.
    mu[0] = static_cast<float>(static_cast<double>(mu[0]) + q * c.x[i]);
    mu[1] = static_cast<float>(static_cast<double>(mu[1]) + q * c.y[i]);
    mu[2] = static_cast<float>(static_cast<double>(mu[2]) + q * c.z[i]);
  }
  for (int d = 0; d < 3; ++d) row[3 * M + static_cast<std::size_t>(d)] = static_cast<float>(c.box[d]);
  for (std::size_t m = 0; m < M; ++m) {
    if (!normalisable(row + 3 * m))
      stop({free_text("MUCF ERROR: the dipole of molecule " + std::to_string(m + 1) +
                      " cannot be normalised in configuration " + std::to_string(frame) + ":"),
            free_text("its length is zero (no charges, or charges that cancel) or not a finite number")});
  }
}

void write_mucf(const std::string& file_p1, const std::string& file_p2, const Sums& sums,
                const LagScheme& lags, float dtime) {
  OutFile o1(file_p1), o2(file_p2);
  for (int j = 0; j < sums.nlags; ++j) {
    std::vector<double> v1, v2;
    long long any = 0;
    for (int g = 0; g < sums.ngroups; ++g) {
      const std::size_t at = sums.at(g, j);
      const long long n = sums.norm[at];
      any += n;
      // A molecule type without molecules has no sums: its column holds 0.
      v1.push_back(n > 0 ? sums.p1[at] / static_cast<double>(n) : 0.0);
      v2.push_back(n > 0 ? sums.p2[at] / static_cast<double>(n) : 0.0);
    }
    if (any == 0) continue;  // a lag without origin has no value
    const float t = static_cast<float>(lags.lag(j)) * dtime;
    o1.line(result_line(t, v1));
    o2.line(result_line(t, v2));
  }
  o1.close();
  o2.close();
}

int run_mucf(int argc, char** argv, const RunOptions& opt) {
  const Settings s = parse_command_line(argc, argv, mucf_text());
  Inputs in = load_inputs(s, opt.limits);
  keep_inputs(s, in, {kResultP1, kResultP2}, "MUCF");
  Analysis a;
  a.upper = "MUCF";
  a.nseries = in.conf.m;  // one series per molecule, grouped by its type
  a.reduce = [&](const config::Configuration& c, int f, float* row) { dipoles(in.sys, c, f, row); };
  a.summary = {FreeLine().t("        Molecule types found: ").i(in.sys.ntymol)};
  a.group = in.conf.mol_type;
  a.ngroups = in.sys.ntymol;
  a.leg = Legendre2{1.5, 0.5};
  a.progress = [&](int k) { out_line(FreeLine().i(k + 1).i(a.group[static_cast<std::size_t>(k)] + 1).str()); };
  const Correlated r = read_and_correlate(s, in.conf, a, opt);
  for (int t = 0; t < in.sys.ntymol; ++t)
    if (std::find(a.group.begin(), a.group.end(), t) == a.group.end())
      out_line(free_text("WARNING: molecule type " + std::to_string(t + 1) + " (" +
                         in.sys.mol[static_cast<std::size_t>(t)].label_mol +
                         ") has no molecule in the configuration: its columns hold 0"));
  write_mucf(kResultP1, kResultP2, r.sums, r.lags, scaled_dtime(s));
  return exit_ok;
}

}  // namespace tvl::an
