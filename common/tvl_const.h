#pragma once
// Capacities of the tables of the suite. Each is named in the message that
// reports its overflow ("increase nspmax in file tvl_const.").
//
// The capacities of the analysers are settings of the build: the CMake cache
// variables TVL_NMAX, TVL_NALMOLMAX, TVL_NSTMAX and TVL_BUFFSIZE (for example
// cmake -DTVL_NMAX=200000) replace the defaults below. Tables are filled
// only as far as a run reads (the vector store is allocated as it fills), so
// a raised capacity costs no memory until a run needs it.

#ifndef TVL_NMAX
#define TVL_NMAX 8000
#endif
#ifndef TVL_NALMOLMAX
#define TVL_NALMOLMAX 2000
#endif
#ifndef TVL_NSTMAX
#define TVL_NSTMAX 60000
#endif
#ifndef TVL_BUFFSIZE
#define TVL_BUFFSIZE 100000000
#endif

namespace tvl {

// System description
inline constexpr int nmax = TVL_NMAX;    // interaction sites in the whole system
inline constexpr int nsimax = 100;       // frac entries of the build section
inline constexpr int nspmax = 100;       // site types
inline constexpr int ntymolmax = 4;      // molecule types
inline constexpr int nalmolmax = TVL_NALMOLMAX;  // molecules in the whole system
inline constexpr int nsimolmax = 2000;   // sites per molecule type
inline constexpr int nconmax = 4000;     // constraints per molecule type
inline constexpr int nexclmax = 4000;    // excluded pairs per molecule type
inline constexpr int numbmax = 10;       // umbrella entries
inline constexpr int nbdmax = 4000;      // harmonic (and Morse) bonds per molecule type
inline constexpr int nangmax = 4000;     // plain (and linear) angles per molecule type
inline constexpr int ndhmax = 4000;      // improper, proper dihedrals and 1-4 pairs per type, each
inline constexpr int nndhmax = 4;        // terms per proper dihedral
inline constexpr int nefgmax = 10;       // efg entries

// topgen
inline constexpr int ntgmax = 50000;     // entries of each topgen table (atoms, bonds, site and
                                         // parameter types, derived lists)

// Analysers
inline constexpr int nstmax = TVL_NSTMAX;             // stored configurations
inline constexpr long long buffsize = TVL_BUFFSIZE;  // stored vector values

// Bounds of the settings: site and molecule numbers fill at most the
// 8 columns of their overflow messages; a configuration number plus a lag
// (the length of the correlation's transforms) must stay well inside int.
static_assert(nmax >= 1 && nmax <= 99999999, "TVL_NMAX must lie in 1 .. 99999999");
static_assert(nalmolmax >= 1 && nalmolmax <= 99999999, "TVL_NALMOLMAX must lie in 1 .. 99999999");
static_assert(nstmax >= 1 && nstmax <= 100000000, "TVL_NSTMAX must lie in 1 .. 100000000");
static_assert(buffsize >= 1 && buffsize <= 1000000000000LL, "TVL_BUFFSIZE must lie in 1 .. 10^12");

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
