#pragma once
// Capacities of the tables of the suite. Each is named in the message that
// reports its overflow ("increase nspmax in file tvl_const.").

namespace tvl {

// System description
inline constexpr int nmax = 8000;        // interaction sites in the whole system
inline constexpr int nsimax = 100;       // frac entries of the build section
inline constexpr int nspmax = 100;       // site types
inline constexpr int ntymolmax = 4;      // molecule types
inline constexpr int nalmolmax = 2000;   // molecules in the whole system
inline constexpr int nsimolmax = 2000;   // sites per molecule type
inline constexpr int nconmax = 4000;     // constraints per molecule type
inline constexpr int nexclmax = 4000;    // excluded pairs per molecule type
inline constexpr int numbmax = 10;       // umbrella entries
inline constexpr int nbdmax = 4000;      // harmonic (and Morse) bonds per molecule type
inline constexpr int nangmax = 4000;     // plain (and linear) angles per molecule type
inline constexpr int ndhmax = 4000;      // improper, proper dihedrals and 1-4 pairs per type, each
inline constexpr int nndhmax = 4;        // terms per proper dihedral
inline constexpr int nefgmax = 10;       // efg entries

// Analysers
inline constexpr int nstmax = 60000;          // stored configurations
inline constexpr long long buffsize = 100000000;  // stored vector values

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
