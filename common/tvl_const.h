#pragma once
// Capacities of the tables of the suite. Each is named in the message that
// reports its overflow ("increase nspmax in file tvl_const.").
//
// The tables of the system-file reader, the configuration readers and the
// analysers are sized from their input: their capacities below are upper
// bounds that a build may set, and by default there is none (`no_bound`),
// so a run takes any system that fits in memory. A bound that is set is
// checked with its overflow message as before. CMake sets them:
// -DTVL_CLASSIC_LIMITS=ON sets every one to its classic value (the namespace
// `classic` below), and TVL_NMAX, TVL_NALMOLMAX, TVL_NSTMAX, TVL_BUFFSIZE
// (for example -DTVL_NMAX=200000) set those four one by one.
#include <climits>

#ifndef TVL_CLASSIC_LIMITS
#define TVL_CLASSIC_LIMITS 0
#endif

namespace tvl {

// The bound of a table without one: no count held in an int can pass it.
inline constexpr int no_bound = INT_MAX;
inline constexpr long long no_bound_ll = LLONG_MAX;

// The classic capacities.
namespace classic {
inline constexpr int nmax = 8000;
inline constexpr int nsimax = 100;
inline constexpr int nspmax = 100;
inline constexpr int ntymolmax = 4;
inline constexpr int nalmolmax = 2000;
inline constexpr int nsimolmax = 2000;
inline constexpr int nconmax = 4000;
inline constexpr int nexclmax = 4000;
inline constexpr int numbmax = 10;
inline constexpr int nbdmax = 4000;
inline constexpr int nangmax = 4000;
inline constexpr int ndhmax = 4000;
inline constexpr int nndhmax = 4;
inline constexpr int nefgmax = 10;
inline constexpr int nstmax = 60000;
inline constexpr long long buffsize = 100000000;
}  // namespace classic

inline constexpr bool classic_limits = TVL_CLASSIC_LIMITS != 0;
// The bound of the build for a table whose classic capacity is `v`.
constexpr int bound(int v) { return classic_limits ? v : no_bound; }
constexpr long long bound(long long v) { return classic_limits ? v : no_bound_ll; }

#ifdef TVL_NMAX
inline constexpr int nmax = TVL_NMAX;
#else
inline constexpr int nmax = bound(classic::nmax);
#endif
#ifdef TVL_NALMOLMAX
inline constexpr int nalmolmax = TVL_NALMOLMAX;
#else
inline constexpr int nalmolmax = bound(classic::nalmolmax);
#endif
#ifdef TVL_NSTMAX
inline constexpr int nstmax = TVL_NSTMAX;
#else
inline constexpr int nstmax = bound(classic::nstmax);
#endif
#ifdef TVL_BUFFSIZE
inline constexpr long long buffsize = TVL_BUFFSIZE;
#else
inline constexpr long long buffsize = bound(classic::buffsize);
#endif

// System description
// nmax: interaction sites in the whole system
inline constexpr int nsimax = bound(classic::nsimax);        // frac entries of the build section
inline constexpr int nspmax = bound(classic::nspmax);        // site types
inline constexpr int ntymolmax = bound(classic::ntymolmax);  // molecule types
// nalmolmax: molecules in the whole system
inline constexpr int nsimolmax = bound(classic::nsimolmax);  // sites per molecule type
inline constexpr int nconmax = bound(classic::nconmax);      // constraints per molecule type
inline constexpr int nexclmax = bound(classic::nexclmax);    // excluded pairs per molecule type
inline constexpr int numbmax = bound(classic::numbmax);      // umbrella entries
inline constexpr int nbdmax = bound(classic::nbdmax);        // harmonic (and Morse) bonds per molecule type
inline constexpr int nangmax = bound(classic::nangmax);      // plain (and linear) angles per molecule type
inline constexpr int ndhmax = bound(classic::ndhmax);        // improper, proper dihedrals and 1-4 pairs per type, each
inline constexpr int nndhmax = bound(classic::nndhmax);      // terms per proper dihedral
inline constexpr int nefgmax = bound(classic::nefgmax);      // efg entries

// topgen
inline constexpr int ntgmax = 50000;     // entries of each topgen table (atoms, bonds, site and
                                         // parameter types, derived lists)

// Analysers: nstmax stored configurations, buffsize stored vector values.
// Kept configurations are counted in int and a configuration number plus a
// lag (the length of the correlation's transforms) must stay inside int:
// whatever the bound, no run keeps more than this many.
inline constexpr int nstceil = 100000000;

// Bounds of the settings: a bound that is set fills at most the 8 columns of
// its overflow message.
static_assert(nmax == no_bound || (nmax >= 1 && nmax <= 99999999), "TVL_NMAX must lie in 1 .. 99999999");
static_assert(nalmolmax == no_bound || (nalmolmax >= 1 && nalmolmax <= 99999999),
              "TVL_NALMOLMAX must lie in 1 .. 99999999");
static_assert(nstmax == no_bound || (nstmax >= 1 && nstmax <= nstceil), "TVL_NSTMAX must lie in 1 .. 100000000");
static_assert(buffsize == no_bound_ll || (buffsize >= 1 && buffsize <= 1000000000000LL),
              "TVL_BUFFSIZE must lie in 1 .. 10^12");

// Charge and potential tools
inline constexpr int natchgmax = 101;      // atoms of a charge fit (100 free charges)
inline constexpr int nptchgmax = 12000;    // surface points of a charge fit
inline constexpr int natviewmax = 1000;    // atoms of a potential scene
inline constexpr int nptviewmax = 100000;  // surface points of a potential scene
inline constexpr int nbdviewmax = 1000;    // bonds of a potential scene
inline constexpr int ncentmax = 100000;    // centres (atoms and points) of a potential point file
inline constexpr int nchgmax = 101;        // charges of a charge file (as many as a fit writes)
inline constexpr int natgepolmax = 9999;   // atoms of a surface-program input (4-column count)

// Structure filters
inline constexpr long long nsicopymax = 200000;  // sites of one molecule held by supercell

// Torsion fits
inline constexpr int nsmax = 500;        // profile points stored (at most nsmax - 1 are read)
inline constexpr int nparmax = 50;       // fitted parameters (covariance matrix nparmax x nparmax)

// Text widths
inline constexpr int reclen = 256;       // record length of keyword files
inline constexpr int namelen = 10;       // site-type and molecule labels
inline constexpr int fnamelen = 128;     // file names and command-line arguments
inline constexpr int maxwords = 20;      // words per record

}  // namespace tvl
