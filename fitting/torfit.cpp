// Torsion potential fits: profile reading, the linear least-squares fit,
// the listing and the tables.
#include "fitting/torfit.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "common/error.h"
#include "common/infile.h"
#include "common/outfile.h"
#include "common/standard_flags.h"
#include "common/text/fortran.h"
#include "common/tvl_const.h"
#include "fitting/gauss_jordan.h"

namespace tvl::fit {

namespace {

namespace tx = tvl::text;
using tx::LineReader;

[[noreturn]] void profile_error(const std::string& file, long line, const std::string& what) {
  tvl::stop({tx::free_text("ERROR: line " + std::to_string(line) + " of profile file " + tx::quoted(file) +
                           ": " + what)});
}

std::size_t sz(int n) { return static_cast<std::size_t>(n); }

// V(phi) of the series with coefficients a; f is scratch space of a.size().
double series_value(Series s, double phi, const std::vector<double>& a, std::vector<double>& f) {
  funcs(s, phi, f);
  double v = 0.0;
  for (std::size_t j = 0; j < a.size(); ++j) v += a[j] * f[j];
  return v;
}

// The largest number of terms N the parameter capacity allows.
int max_terms(Series s) { return s == Series::sincos ? tvl::nparmax / 2 : tvl::nparmax; }

}  // namespace

Profile read_profile(const std::string& file) {
  InFile f = open_in(file);
  if (!f) {
    const int e = errno;
    tvl::stop({tx::free_text("ERROR: cannot open profile file " + tx::quoted(file) + ": " + std::strerror(e))});
  }
  LineReader in(f.get());
  Profile p;
  std::string line;
  for (;;) {
    errno = 0;
    const LineReader::Status st = in.next(line);
    if (st == LineReader::Status::eof) break;
    if (st == LineReader::Status::error) {
      const int e = errno;
      tvl::stop({tx::free_text("ERROR: cannot read profile file " + tx::quoted(file) + ": " +
                               (e ? std::strerror(e) : "read error"))});
    }
    if (st == LineReader::Status::too_long) profile_error(file, in.line_number() + 1, "the line is too long");
    const std::vector<std::string> w = tx::free_words(line);
    if (w.empty()) continue;
    const long n = in.line_number();
    if (w.size() < 3)
      profile_error(file, n, "a point needs three values (angle in degrees, energy, uncertainty)");
    double x[3];
    for (int k = 0; k < 3; ++k)
      if (!tx::parse_real(w[sz(k)], x[k])) profile_error(file, n, tx::quoted(w[sz(k)]) + " is not a number");
    // The weight of a point is 1/sigma**2: an uncertainty of 0 would make it
    // infinite and every coefficient NaN.
    if (!std::isfinite(1.0 / (x[2] * x[2])))
      profile_error(file, n, "the uncertainty " + w[2] + " gives the point no finite weight");
    if (static_cast<int>(p.phi.size()) == tvl::nsmax - 1) tvl::stop({tx::free_text("CHECK nsmax")});
    p.phi.push_back(x[0] / 180.0 * torsion_pi);
    p.v.push_back(x[1]);
    p.sigma.push_back(x[2]);
  }
  return p;
}

int parameter_count(Series s, int nterms) { return s == Series::sincos ? 2 * nterms : nterms; }

void funcs(Series s, double phi, std::vector<double>& f) {
  const std::size_t m = f.size();
  if (s == Series::cos) {
    for (std::size_t j = 0; j < m; ++j) f[j] = 1.0 + std::cos(static_cast<double>(j) * phi);
    return;
  }
  for (std::size_t j = 0; j + 1 < m; j += 2) {
    const double n = static_cast<double>(j / 2);
    f[j] = 1.0 + std::cos(n * phi);
    f[j + 1] = 1.0 + std::cos(n * phi - phase_shift);
  }
}

LinearFit lfit(const Profile& p, Series s, std::vector<double> a, const std::vector<int>& lista) {
  const int m = static_cast<int>(a.size());
  const int mfit = static_cast<int>(lista.size());
  // Every parameter is either fitted (named once in lista) or held.
  std::vector<int> hits(sz(m), 0);
  for (int j : lista) {
    if (j < 0 || j >= m || ++hits[sz(j)] > 1) tvl::stop({tx::free_text("improper set in lista")});
  }
  std::vector<int> held;
  for (int j = 0; j < m; ++j)
    if (hits[sz(j)] == 0) held.push_back(j);
  // Fewer points than unknowns leave the normal matrix singular; rounding
  // could hide that behind a tiny pivot and give meaningless numbers.
  if (p.phi.size() < sz(mfit)) tvl::stop({tx::free_text("singular matrix.")});

  std::vector<double> covar(sz(mfit) * sz(mfit), 0.0), beta(sz(mfit), 0.0), f(sz(m));
  for (std::size_t i = 0; i < p.phi.size(); ++i) {
    funcs(s, p.phi[i], f);
    double ym = p.v[i];
    for (int k : held) ym -= a[sz(k)] * f[sz(k)];
    const double sig2i = 1.0 / (p.sigma[i] * p.sigma[i]);
    for (std::size_t j = 0; j < sz(mfit); ++j) {
      const double wt = f[sz(lista[j])] * sig2i;
      for (std::size_t k = 0; k <= j; ++k) covar[j * sz(mfit) + k] += wt * f[sz(lista[k])];
      beta[j] += ym * wt;
    }
  }
  for (std::size_t j = 1; j < sz(mfit); ++j)
    for (std::size_t k = 0; k < j; ++k) covar[k * sz(mfit) + j] = covar[j * sz(mfit) + k];
  gaussj(covar, mfit, beta);
  // The inverse of a normal matrix has a positive diagonal; rounding that
  // makes a variance negative shows the matrix to be singular in effect.
  for (std::size_t j = 0; j < sz(mfit); ++j)
    if (covar[j * sz(mfit) + j] < 0) tvl::stop({tx::free_text("singular matrix.")});
  for (std::size_t j = 0; j < sz(mfit); ++j) a[sz(lista[j])] = beta[j];

  LinearFit r;
  r.chisq = 0.0;
  for (std::size_t i = 0; i < p.phi.size(); ++i) {
    const double d = (p.v[i] - series_value(s, p.phi[i], a, f)) / p.sigma[i];
    r.chisq += d * d;
  }
  // The covariance in the order of all parameters, held ones 0.
  r.covar.assign(sz(m) * sz(m), 0.0);
  for (std::size_t j = 0; j < sz(mfit); ++j)
    for (std::size_t k = 0; k < sz(mfit); ++k)
      r.covar[sz(lista[j]) * sz(m) + sz(lista[k])] = covar[j * sz(mfit) + k];
  r.a = std::move(a);
  return r;
}

LinearFit torsion_fit(const Profile& p, Series s, int nterms) {
  const int m = parameter_count(s, nterms);
  // The fitted parameters start at 1 (the value does not matter). For n = 0
  // the two sine-cosine functions are both constants, 2 and 1 + 1.8e-9: fitted
  // together their split would be rounding noise, or the normal matrix
  // singular. ks_0 is therefore held at 0 and kc_0 carries the constant.
  std::vector<double> a(sz(m), 1.0);
  std::vector<int> lista;
  for (int j = 0; j < m; ++j) {
    if (s == Series::sincos && j == 1)
      a[1] = 0.0;
    else
      lista.push_back(j);
  }
  LinearFit r = lfit(p, s, std::move(a), lista);
  bool finite = std::isfinite(r.chisq);
  for (double x : r.a) finite = finite && std::isfinite(x);
  for (double x : r.covar) finite = finite && std::isfinite(x);
  if (!finite)
    tvl::stop({tx::free_text("ERROR: the fit overflows: energies or weights of the profile are too large")});
  return r;
}

std::vector<std::string> fit_listing(Series s, int nterms, const LinearFit& f) {
  const bool sc = s == Series::sincos;
  const std::string dash = tx::free_text(std::string(sc ? 56 : 48, '-'));
  const std::string blank = " ";
  std::vector<std::string> l = {dash, blank, tx::FreeLine().t(" Terms:").i(nterms), blank};
  if (sc) {
    l.push_back(tx::free_text("   V_i(phi) = kc_i * [ 1 + cos( n_i * phi ) ] "));
    l.push_back(tx::free_text("            + ks_i * [ 1 + cos( n_i * phi - Pi/2 ) ] "));
  } else {
    l.push_back(tx::free_text("   V_i(phi) = k_i * [ 1 + cos( n_i * phi ) ] "));
  }
  l.insert(l.end(), {blank, dash});
  l.push_back(tx::free_text(sc ? "      n_i        kc_i          ks_i" : "   i   n_i       k_i        Variance(k)   "));
  l.push_back(dash);
  const std::size_t m = f.a.size();
  // A coefficient too large for its field stops the program, naming it.
  const std::string where = "the listing";
  for (int n = 0; n < nterms; ++n) {
    const std::string ns = std::to_string(n);
    // Appended in order: the first value that does not fit is the one named.
    std::string t;
    if (sc) {
      t = "    " + tx::fmt_i(n, 5) + tx::checked_f(f.a[sz(2 * n)], 15, 7, "kc_" + ns, where);
      t += tx::checked_f(f.a[sz(2 * n + 1)], 15, 7, "ks_" + ns, where);
    } else {
      t = tx::fmt_i(n + 1, 5) + tx::fmt_i(n, 5) + tx::checked_f(f.a[sz(n)], 15, 7, "k_" + ns, where);
      t += tx::checked_e(f.covar[sz(n) * m + sz(n)], 15, 5, "variance of k_" + ns, where);
    }
    l.push_back(t);
    if (n == 0) l.push_back(blank);
  }
  l.insert(l.end(), {dash, tx::FreeLine().t("  CHI**2 :").r(f.chisq), dash});
  return l;
}

std::vector<std::string> table_lines(int degrees, Series s, const std::vector<double>& a) {
  std::vector<std::string> lines;
  std::vector<double> f(a.size());
  for (int k = 0; k <= degrees; ++k) {
    const double phi = static_cast<double>(k) / 180.0 * torsion_pi;
    lines.push_back(tx::FreeLine().r(phi / torsion_pi * 180.0).r(series_value(s, phi, a, f)).str());
  }
  return lines;
}

namespace {

// The prompt, then N free-format from standard input.
int read_terms(Series s) {
  const bool sc = s == Series::sincos;
  const int most = max_terms(s);
  tvl::out_line(tx::free_text(sc ? "Number of Sin and Cos Terms N (n=1...N):" : "Number of Cosine Terms N (n=1...N):"));
  std::fflush(stdout);
  LineReader in(stdin);
  std::vector<std::string> w;
  const std::string range = "the number of terms must be an integer from 1 to " + std::to_string(most);
  if (tx::free_read(in, 1, w) != LineReader::Status::ok)
    tvl::stop({tx::free_text("ERROR: no answer on standard input; " + range)});
  long long n = 0;
  if (!tx::parse_int(w[0], n) || n < 1 || n > most)
    tvl::stop({tx::free_text("ERROR: " + range + ", not " + tx::quoted(w[0]))});
  return static_cast<int>(n);
}

std::vector<std::string> help_of(Series s) {
  const bool sc = s == Series::sincos;
  const std::string prog = sc ? "torfitsc" : "torfitc";
  std::vector<std::string> h = {
      "usage: " + prog + " <profile-file>",
      "",
      sc ? "Fits V(phi) = sum over n = 0 .. N-1 of kc_n [1 + cos(n phi)] + ks_n [1 + cos(n phi - pi/2)]"
         : "Fits V(phi) = sum over n = 0 .. N-1 of k_n [1 + cos(n phi)]",
      "to an energy profile by weighted linear least squares. The profile file holds",
      "one point per line: dihedral angle in degrees, energy, uncertainty (not 0).",
      "N is read from standard input after a prompt (1 to " + std::to_string(max_terms(s)) + ").",
  };
  if (sc) h.push_back("ks_0 is held at 0: for n = 0 both functions are constants.");
  h.push_back("Prints the coefficients and chi-square and writes the fitted potential at");
  h.push_back("every degree to \"torsion.fit_180\" (0-180) and \"torsion.fit_360\" (0-360).");
  return h;
}

}  // namespace

int torfit_main(Series s, int argc, char** argv) {
  const std::vector<std::string> help = help_of(s);
  tvl::standard_flags(argc, argv, help);
  if (argc != 2) tvl::stop(help, tvl::exit_usage);
  const std::string file = argv[1];
  tx::check_name_length(file, "profile file name");
  for (const char* table : {"torsion.fit_180", "torsion.fit_360"}) tvl::keep_inputs(table, {file}, true);
  const Profile p = read_profile(file);
  const int nterms = read_terms(s);
  const LinearFit f = torsion_fit(p, s, nterms);
  const std::vector<std::string> listing = fit_listing(s, nterms, f);
  const std::pair<const char*, int> tables[] = {{"torsion.fit_180", 180}, {"torsion.fit_360", 360}};
  // A table that cannot be written must not leave the other one behind.
  tvl::check_writable({tables[0].first, tables[1].first});
  for (const std::string& line : listing) tvl::out_line(line);
  for (auto [name, degrees] : tables) {
    tvl::OutFile out(name, "w");
    for (const std::string& line : table_lines(degrees, s, f.a)) out.line(line);
    out.close();
  }
  return tvl::exit_ok;
}

}  // namespace tvl::fit
