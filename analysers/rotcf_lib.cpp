#include "analysers/rotcf_lib.h"

#include "common/error.h"
#include "common/outfile.h"
#include "common/text/fortran.h"
#include "common/text/records.h"
#include "common/tvl_const.h"

namespace tvl::an {

using text::FreeLine;
using text::free_text;

namespace {

constexpr const char* kSection = "rotcf";
constexpr const char* kResult = "rotcf_p1p2.dat";

[[noreturn]] void sysfile_error(const std::string& why) {
  stop({free_text("Error while reading system-file"), free_text(why)});
}

using tvl::text::quoted;

}  // namespace

const ProgramText& rotcf_text() {
  static const ProgramText t{
      "ROTCF",
      {"rotcf: calc reorientation time correlation functions for molecular vectors from CRD-data",
       "For help type: rotcf -help"},
      {"",
       "  ROTCF - reorientational time-correlation functions",
       "",
       "  Syntax:  rotcf -sys <SYSTEM-file> -in <STRUCTURE-file> -crd <CRD-file 1> ... <CRD-file n> "
       "-xtc <XTC-file 1> ... <XTC-file n> -time <time> -tmax <tmax> -tgap <tgap> -gap <gap>",
       "",
       "  Necessary:",
       "            -sys  : specify SYSTEM-file",
       "            -in   : specify STRUCTURE-file",
       "            -crd  : specify coordinate (CRD) files",
       "            -xtc  : specify coordinate (XTC) files",
       "            -time : time interval between two configurations in crd-file",
       "            -tmax : length of tcf-array",
       "  Optional:",
       "            -gap  : gap between two configurationsin <CRD/XTC-file>,",
       "            -tgap : smallest gap for tcf evaluation",
       "             (In both cases a \"1\" means every config)",
       "            -corr : correlation engine: direct or fft (default: the faster one for the job)",
       "            -nt   : threads reading the trajectories and correlating (default: one per core)",
       ""}};
  return t;
}

std::vector<VecDef> read_vec(const sys::SystemFile& file, const sys::SystemDescription& sys) {
  const std::string& sysfile = file.name;
  std::vector<VecDef> defs, cur;
  bool in_section = false, closed = false;
  std::string name;
  for (const auto& [record, line_no] : file.records.records) {
    if (!in_section) {
      std::string n;
      if (rec::begin_key(record, n) && n.size() >= 5 && n.compare(0, 5, kSection) == 0) {
        in_section = true;
        name = n;
        cur.clear();
      }
      continue;
    }
    if (rec::end_key(record, name)) {
      in_section = false;
      closed = true;
      defs = cur;
      continue;
    }
    const int number = static_cast<int>(cur.size()) + 1;
    if (number > nvecmax)
      sysfile_error("More than " + std::to_string(nvecmax) + " vector definitions in the {rotcf}-section (line " +
                    std::to_string(line_no) + ").");
    rec::WordList w;
    int nw = rec::split_record(record, w);
    VecDef d;
    bool ok = nw >= 5 && text::parse_int(w[0], d.type);
    for (int i = 0; ok && i < 4; ++i) ok = text::parse_int(w[static_cast<std::size_t>(i) + 1], d.site[i]);
    if (!ok)
      sysfile_error("Vector definition " + std::to_string(number) + " of the {rotcf}-section (line " +
                    std::to_string(line_no) + ") needs five integers: molecule type and four site numbers.");
    cur.push_back(d);
  }
  if (const auto& e = file.records.long_line) {
    std::vector<std::string> lines{free_text("Error while reading system-file")};
    lines.insert(lines.end(), e->lines.begin(), e->lines.end());
    stop(lines);
  }
  if (file.records.read_error) stop({free_text("ERROR: read error on SYSTEM-file " + quoted(sysfile))});
  if (in_section)
    stop({free_text("ROTCF ERROR: the {rotcf}-section of SYSTEM-file " + quoted(sysfile) +
                    " is not closed by end{" + name + "}")});
  if (!closed) stop({free_text("ROTCF ERROR: SYSTEM-file " + quoted(sysfile) + " has no {rotcf}-section")});

  for (std::size_t l = 0; l < defs.size(); ++l) {
    const VecDef& d = defs[l];
    const std::string which = "vector definition " + std::to_string(l + 1) + " of the {rotcf}-section";
    if (d.type < 1 || d.type > sys.ntymol)
      stop({free_text("ROTCF ERROR: molecule type " + std::to_string(d.type) + " of " + which +
                      " is not defined; the SYSTEM-file defines " + std::to_string(sys.ntymol) +
                      " molecule type(s)")});
    const sys::MolType& mt = sys.mol[static_cast<std::size_t>(d.type - 1)];
    for (int s : d.site)
      if (s < 1 || s > mt.nsimol)
        stop({free_text("ROTCF ERROR: site " + std::to_string(s) + " of " + which + " is not a site of molecule type " +
                        std::to_string(d.type) + " (" + mt.label_mol + ", " + std::to_string(mt.nsimol) +
                        " sites)")});
  }
  return defs;
}

std::vector<VecSeries> find_series(const std::vector<VecDef>& defs, const config::Configuration& c) {
  std::vector<VecSeries> out;
  for (int m = 0; m < c.m; ++m) {
    const int t = c.mol_type[static_cast<std::size_t>(m)];
    for (std::size_t l = 0; l < defs.size(); ++l)
      if (defs[l].type - 1 == t) out.push_back({m, static_cast<int>(l)});
  }
  return out;
}

void plane_normals(const std::vector<VecDef>& defs, const std::vector<VecSeries>& series,
                   const config::Configuration& c, int frame, float* row) {
  for (std::size_t k = 0; k < series.size(); ++k) {
    const VecSeries& s = series[k];
    const VecDef& d = defs[static_cast<std::size_t>(s.def)];
    const std::size_t o = static_cast<std::size_t>(c.mol_offset[static_cast<std::size_t>(s.mol)]);
    const std::size_t i1 = o + d.site[0] - 1, i2 = o + d.site[1] - 1, i3 = o + d.site[2] - 1,
                      i4 = o + d.site[3] - 1;
    // Differences of the double positions, rounded to single precision; the
    // cross product in single precision.
    const float ax = static_cast<float>(c.x[i1] - c.x[i2]), ay = static_cast<float>(c.y[i1] - c.y[i2]),
                az = static_cast<float>(c.z[i1] - c.z[i2]);
    const float bx = static_cast<float>(c.x[i3] - c.x[i4]), by = static_cast<float>(c.y[i3] - c.y[i4]),
                bz = static_cast<float>(c.z[i3] - c.z[i4]);
    float* v = row + 3 * k;
    v[0] = ay * bz - az * by;
    v[1] = az * bx - ax * bz;
    v[2] = ax * by - ay * bx;
    if (!normalisable(v))
      stop({free_text("ROTCF ERROR: the vector of definition " + std::to_string(s.def + 1) + " of molecule " +
                      std::to_string(s.mol + 1) + " cannot be normalised in configuration " +
                      std::to_string(frame) + ":"),
            free_text("its length is zero (collinear or coinciding sites) or not a finite number")});
  }
}

void write_rotcf(const std::string& file, const Sums& sums, const LagScheme& lags, float dtime) {
  OutFile out(file);
  const double p1_0 = sums.p1[0] / static_cast<double>(sums.norm[0]);
  const double p2_0 = sums.p2[0] / static_cast<double>(sums.norm[0]);
  for (int j = 0; j < sums.nlags; ++j) {
    const std::size_t at = sums.at(0, j);
    if (sums.norm[at] == 0) continue;  // a lag without origin has no value
    const double n = static_cast<double>(sums.norm[at]);
    const float t = static_cast<float>(lags.lag(j)) * dtime;
    out.line(result_line(t, {sums.p1[at] / n / p1_0, sums.p2[at] / n / p2_0}));
  }
  out.close();
}

int run_rotcf(int argc, char** argv, const RunOptions& opt) {
  const Settings s = parse_command_line(argc, argv, rotcf_text());
  Inputs in = load_inputs(s, opt.limits);
  keep_inputs(s, in, {kResult}, "ROTCF");
  const std::vector<VecDef> defs = read_vec(in.sysfile, in.sys);
  const std::vector<VecSeries> series = find_series(defs, in.conf);
  const int K = static_cast<int>(series.size());
  if (K == 0)
    stop({free_text("ROTCF ERROR: no vector to correlate: no molecule of the configuration is of a molecule"),
          free_text("type named in the {rotcf}-section of SYSTEM-file " + quoted(s.sys))});
  Analysis a;
  a.upper = "ROTCF";
  a.nseries = K;
  a.reduce = [&](const config::Configuration& c, int f, float* row) { plane_normals(defs, series, c, f, row); };
  a.summary = {FreeLine().t("  Equivalent Vectors defined: ").i(static_cast<long long>(defs.size())),
               FreeLine().t("     Number of Vectors found: ").i(K)};
  a.group.assign(static_cast<std::size_t>(K), 0);  // all series in one set of sums
  a.leg = Legendre2{3.0, 1.0};
  a.progress = [](int k) { out_line(FreeLine().i(k + 1).str()); };
  const Correlated r = read_and_correlate(s, in.conf, a, opt);
  write_rotcf(kResult, r.sums, r.lags, scaled_dtime(s));
  return exit_ok;
}

}  // namespace tvl::an
