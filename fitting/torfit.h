#pragma once
// Torsion potential fits: a weighted linear least-squares fit of a cosine
// series (torfitc) or of cosine and phase-shifted cosine terms (torfitsc) to
// an energy profile, the listing of the result and the tables of the fitted
// potential.
#include <string>
#include <vector>

namespace tvl::fit {

enum class Series {
  sincos,  // f(2n+1) = 1 + cos(n phi), f(2n+2) = 1 + cos(n phi - pi/2)
  cos,     // f(n+1) = 1 + cos(n phi)
};

inline constexpr double torsion_pi = 3.14159265;
inline constexpr double phase_shift = 1.570796325;  // pi/2

// Profile points: angle (radians), energy and its uncertainty.
struct Profile {
  std::vector<double> phi, v, sigma;
};

// Reads "phi(degrees) V sigma" per line, free-format (blank lines skipped).
// Stops with a message naming the file, and the line where there is one,
// when it cannot be opened or read, a line holds fewer than three values or
// a value that is not a number, an uncertainty gives no finite weight
// (0, or too small), or a (nsmax)th point is met (" CHECK nsmax").
Profile read_profile(const std::string& file);

// Parameters of a fit of n terms: 2n or n.
int parameter_count(Series s, int nterms);
// The basis functions at phi: f[0 .. m).
void funcs(Series s, double phi, std::vector<double>& f);

struct LinearFit {
  std::vector<double> a;      // all parameters
  std::vector<double> covar;  // m x m, row by row; rows and columns of held parameters are 0
  double chisq = 0.0;
};

// Weighted linear least squares of the profile on the basis of m = a.size()
// functions. lista names the fitted parameters (0-based); the others are held
// at their values in a. Stops with " improper set in lista" when an index is
// repeated or outside 0 .. m-1, and with " singular matrix." when there are
// fewer points than fitted parameters or the normal matrix is singular (a
// pivot negligible against its row, see gaussj, or a variance that would
// come out negative): no undetermined coefficient is reported as a result.
LinearFit lfit(const Profile& p, Series s, std::vector<double> a, const std::vector<int>& lista);

// The fit of nterms terms. For the sine-cosine series ks_0 (a constant like
// kc_0) is held at 0, so the constant is carried by kc_0 alone.
LinearFit torsion_fit(const Profile& p, Series s, int nterms);

// The listing of the result as written to standard output; a coefficient
// that does not fit its field (F15.7) stops the program naming it.
std::vector<std::string> fit_listing(Series s, int nterms, const LinearFit& f);

// The lines of a table: the fitted potential at 0, 1, ..., `degrees`
// degrees, one "angle V" line each.
std::vector<std::string> table_lines(int degrees, Series s, const std::vector<double>& a);

// The whole program: profile file from the command line, number of terms
// from standard input, listing and the tables "torsion.fit_180" and
// "torsion.fit_360". Everything is made, and both tables are known to be
// writable, before the listing and the tables are written.
int torfit_main(Series s, int argc, char** argv);

}  // namespace tvl::fit
