// espview: a POV-Ray scene of a molecule (bonds as sticks) and the points of
// its potential surface, coloured by the given potential, the potential of
// fitted charges, or their difference; the colour legend goes to standard
// output.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "common/error.h"
#include "common/esp/chgfile.h"
#include "common/esp/potfile.h"
#include "common/outfile.h"
#include "common/standard_flags.h"
#include "common/text/fortran.h"
#include "common/tvl_const.h"

namespace {

using tvl::out_line;
namespace tx = tvl::text;
namespace esp = tvl::esp;

const std::vector<std::string> usage_lines = {
    " Syntax: espview <file.dat> <file.chg> <output-file.pov> <1> <2> <3> <4> <5> <6>",
    "         <1> - real : distance from molecule in A",
    "         <2> - real : polar angle theta in degrees",
    "         <3> - real : azimuthal angle phi in degrees",
    "         <4> - integer : switch",
    "                0: Show molecvule only",
    "                1: QM-Potential",
    "                2: Fitted-Potential",
    "                3: QM-Fit-difference",
    "         <5> - lower end of scale: (kJ/mol)",
    "         <6> - upper end of scale: (kJ/mol)",
};

constexpr double kj_factor = 1389.357;  // charge^2 / Angstrom -> kJ/mol
constexpr double pi = 3.14159265;
constexpr float bond_cut = 1.6f;
// The written camera position is kept at least this far off the vertical
// axis (one unit of its last written digit), where the view would be undefined.
constexpr double min_off_axis = 1e-4;

struct Settings {
  std::string dat, chg, pov;
  double d = 0, theta = 0, phi = 0, lower = 0, upper = 0;
  long long sw = 0;
};

[[noreturn]] void wrong(const std::string& msg) { tvl::stop({" ERROR: " + msg}, tvl::exit_usage); }

Settings arguments(int argc, char** argv) {
  if (argc != 10 || tx::trim_right(argv[1]).empty()) tvl::stop(usage_lines, tvl::exit_usage);
  Settings s;
  for (int k = 1; k <= 3; ++k) tx::check_name_length(argv[k], "file name");
  s.dat = argv[1];
  s.chg = argv[2];
  s.pov = argv[3];
  const std::pair<double*, int> reals[] = {{&s.d, 4}, {&s.theta, 5}, {&s.phi, 6}, {&s.lower, 8}, {&s.upper, 9}};
  for (auto [v, k] : reals)
    if (!tx::parse_real(argv[k], *v))
      wrong("argument <" + std::to_string(k - 3) + "> " + tx::quoted(argv[k]) + " is not a number");
  if (!tx::parse_int(argv[7], s.sw) || s.sw < 0 || s.sw > 3) tvl::stop(usage_lines, tvl::exit_usage);
  if (std::fabs(s.d) < min_off_axis)
    wrong("the distance <1> must be at least 0.0001 A: the camera cannot stand in the molecule's centre");
  // With switch 0 no colour is computed: the scale may be a single value.
  if (s.sw != 0 && s.upper == s.lower)
    wrong("the upper end <6> of the scale must differ from the lower end <5>");
  return s;
}

double dist(const std::array<double, 3>& a, double x, double y, double z) {
  const double dx = x - a[0], dy = y - a[1], dz = z - a[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Three F12.4 fields separated by commas; `axes` names the coordinates in
// their order ("xzy": the molecule's z is the scene's vertical axis), `of`
// their owner (" of atom 3"), for the message about a value that does not fit.
std::string f124(double x, double y, double z, const char* axes, const std::string& of) {
  const double v[3] = {x, y, z};
  std::string s;  // built in order: the first value that does not fit is the one named
  for (int k = 0; k < 3; ++k) {
    if (k > 0) s += ',';
    s += tx::checked_f(v[k], 12, 4, std::string(1, axes[k]) + of, "the scene file");
  }
  return s;
}

struct Colour {
  float bound;  // chosen when h is above it
  const char* label;
  double r, g, b;
};
// From the top of the scale down; white takes everything below 0.1.
constexpr Colour colours[] = {
    {0.9f, "     red:    ", 1.0, 0.0, 0.0},     {0.8f, "     brown:  ", 0.65, 0.32, 0.141},
    {0.7f, "     orange: ", 1.0, 0.5, 0.0},     {0.6f, "     yellow: ", 1.0, 1.0, 0.0},
    {0.5f, "     green:  ", 0.0, 1.0, 0.0},     {0.4f, "     cyan:   ", 0.0, 1.0, 1.0},
    {0.3f, "     blue:   ", 0.0, 0.0, 1.0},     {0.2f, "     magenta:", 1.0, 0.0, 1.0},
    {0.1f, "     grey:   ", 0.6, 0.6, 0.6},     {0.0f, "     white:  ", 1.0, 1.0, 1.0},
};

const Colour& colour_of(double h) {
  for (const Colour& c : colours)
    if (c.bound == 0.0f || h > static_cast<double>(c.bound)) return c;
  return colours[9];
}

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, usage_lines);
  const Settings s = arguments(argc, argv);

  // Arguments in the wrong order must not overwrite an input.
  tvl::keep_inputs(s.pov, {s.dat, s.chg}, false);
  tvl::InFile fd = esp::open_input(s.dat);
  esp::NumberInput din(fd.get(), tx::quoted(s.dat));
  esp::PotLimits lim;
  lim.atoms = tvl::natviewmax;
  lim.atoms_name = "natviewmax";
  lim.points = tvl::nptviewmax;
  lim.points_name = "nptviewmax";
  esp::PotFile pf = esp::read_potfile(din, lim, false);
  fd.reset();
  tvl::InFile fc = esp::open_input(s.chg);
  esp::NumberInput cin(fc.get(), tx::quoted(s.chg));
  std::vector<double> q = esp::read_resp(cin, pf.atoms.size());
  fc.reset();

  esp::to_angstrom(pf);
  for (double& c : q) c *= kj_factor;
  const std::size_t m = pf.points.size();
  std::vector<double> given(m), fitted(m);
  for (std::size_t j = 0; j < m; ++j) {
    const esp::PotPoint& p = pf.points[j];
    given[j] = p.v * kj_factor;
    double v = 0;
    for (std::size_t i = 0; i < pf.atoms.size(); ++i) {
      double r = dist(pf.atoms[i], p.x, p.y, p.z);
      if (r == 0) esp::point_on_atom(din.label(), j, i);
      v += q[i] / r;
    }
    fitted[j] = v;
  }

  std::vector<std::pair<std::size_t, std::size_t>> bonds;
  for (std::size_t i = 0; i < pf.atoms.size(); ++i)
    for (std::size_t k = i + 1; k < pf.atoms.size(); ++k)
      if (dist(pf.atoms[i], pf.atoms[k][0], pf.atoms[k][1], pf.atoms[k][2]) < static_cast<double>(bond_cut)) {
        bonds.emplace_back(i, k);
        esp::check_limit(din.label(), static_cast<long long>(bonds.size()), "bonds", tvl::nbdviewmax,
                         "nbdviewmax");
      }

  // Camera: on or next to the vertical axis it is moved off it.
  double th = s.theta * pi / 180.0;
  const double ph = s.phi * pi / 180.0;
  if (std::fabs(s.d * std::sin(th)) < min_off_axis) {
    const double nudge = std::asin(std::min(1.0, min_off_axis / std::fabs(s.d)));
    th = std::cos(th) >= 0 ? nudge : pi - nudge;
  }
  const double st = std::sin(th), ct = std::cos(th);

  // The legend and the whole scene are made, and so every value checked
  // against its field, before anything is written.
  const double range = s.upper - s.lower;
  std::vector<std::string> legend = {"", "  ESPVIEW", "", "     Colour coding: (Energies in kJ/mol)", ""};
  for (int k = 9; k >= 0; --k) {
    const float lo = colours[k].bound, hi = k == 0 ? 1.0f : colours[k - 1].bound;
    std::string name(tx::trim_right(std::string_view(colours[k].label).substr(5)));
    name.pop_back();  // the colon
    auto end = [&](float f, const char* which) {
      return tx::checked_f(s.lower + static_cast<double>(f) * range, 10, 4, std::string(which) + " end of " + name,
                           "the legend");
    };
    std::string l = colours[k].label + end(lo, "lower");  // in order: the lower end is checked first
    l += " - " + end(hi, "upper");
    legend.push_back(l);
  }
  legend.emplace_back();

  std::string scene;
  auto line = [&scene](std::string_view l) {
    scene += l;
    scene += '\n';
  };
  for (const char* l : {"#include \"shapes.inc\"", "#include \"colors.inc\"", "#include \"textures.inc\"", "",
                        "background { color red 0.0 green 0.0 blue 0.0 }", "camera {"})
    line(l);
  line("   location  <" + f124(s.d * st * std::sin(ph), s.d * ct, s.d * st * std::cos(ph), "xyz", " of the camera") +
       ">");
  line("   direction <0, 0, 3.5 >");
  line("   right <1.388, 0, 0 >");
  line("   look_at <" + f124(0, 0, 0, "xyz", "") + "> }");
  for (double dphi : {0.5, -0.5}) {
    const double d2 = 2 * s.d;
    line("light_source { <" +
         f124(d2 * st * std::sin(ph + dphi), d2 * ct, d2 * st * std::cos(ph + dphi), "xyz", " of a light") + ">");
    line("color red 0.7  green 0.7 blue 0.7}");
  }
  auto atom = [](std::size_t i) { return " of atom " + std::to_string(i + 1); };
  for (auto [i, k] : bonds) {
    const auto &a = pf.atoms[i], &b = pf.atoms[k];
    line("cylinder{");
    line("      <" + f124(a[0], a[2], a[1], "xzy", atom(i)) + ">");
    line("      <" + f124(b[0], b[2], b[1], "xzy", atom(k)) + ">");
    line("      0.12  finish{ ambient 0.2  diffuse 0.8  phong 1}");
    line("      pigment { color red 0.0 green 1.0 blue 0.0 }");
    line("}");
  }
  if (s.sw != 0) {
    for (std::size_t j = 0; j < m; ++j) {
      const double v = s.sw == 1 ? given[j] : s.sw == 2 ? fitted[j] : given[j] - fitted[j];
      const Colour& c = colour_of((v - s.lower) / range);
      const esp::PotPoint& p = pf.points[j];
      line("sphere {      <" + f124(p.x, p.z, p.y, "xzy", " of point " + std::to_string(j + 1)) + "> , 0.08");
      line("     pigment { color red " + tx::fmt_f(c.r, 8, 4) + " green " + tx::fmt_f(c.g, 8, 4) + " blue " +
           tx::fmt_f(c.b, 8, 4) + " }");
      for (const char* l : {"     finish {", "        ambient 0.2", "        diffuse 0.6", "        phong 1",
                            "        phong_size 100", "     }", "}"})
        line(l);
    }
  }

  tvl::OutFile pov(s.pov);
  pov.write(scene);
  pov.close();
  for (const std::string& l : legend) out_line(l);
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
