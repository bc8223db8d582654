#pragma once
// The system description: site types, Lennard-Jones pair tables, molecule
// types with their reference geometry and intramolecular terms, build data
// and totals, as `readsys` delivers them after reading a system file.
//
// Indexing: everything is 0-based inside. Site-type numbers (`sptype_mol`,
// `type_frac`, `typec_s`, ...) and molecule-type numbers are 0-based indices
// into `name_sp` / `mol`. Site numbers of constraints, exclusions, intra
// pairs and of all intramolecular terms are stored as (number in the file - 1).
// Constraint, exclusion and intra-pair site numbers are always valid
// (0 <= a < nsimol). The site numbers of bonds, angles, dihedrals, non-bonded
// pairs and virtual sites are stored as read and may lie outside
// 0..nsimol-1: check them with `site_ok` before indexing with them.
// Umbrella and efg integers are carried exactly as written (not shifted).
//
// Units after reading: lengths nm, angles radians, energies kJ/mol.
#include <array>
#include <string>
#include <vector>

#include "common/text/records.h"
#include "common/tvl_const.h"

namespace tvl::sys {

// Unit factors from the system file to memory: Kelvin to kJ/mol, degree to radian.
inline constexpr double kelvin_to_kj = 0.00831451;
inline constexpr double deg_to_rad = 0.01745329252;

// Upper bounds the reader checks; each is named in its overflow message.
// The defaults are the build's (no bound unless the build sets one); tests
// pass their own values, classic() the classic capacities.
struct Limits {
  int nmax = tvl::nmax;            // interaction sites in the whole system
  int nsimax = tvl::nsimax;        // frac entries of the build section
  int nspmax = tvl::nspmax;        // site types
  int ntymolmax = tvl::ntymolmax;  // molecule types
  int nalmolmax = tvl::nalmolmax;  // molecules in the whole system
  int nsimolmax = tvl::nsimolmax;  // sites per molecule type (and virtual sites per type)
  int nconmax = tvl::nconmax;      // constraints per molecule type
  int nexclmax = tvl::nexclmax;    // excluded pairs per molecule type
  int numbmax = tvl::numbmax;      // umbrella entries
  int nbdmax = tvl::nbdmax;        // harmonic bonds per type, and Morse bonds per type
  int nangmax = tvl::nangmax;      // plain angles per type, and linear angles per type
  int ndhmax = tvl::ndhmax;        // improper / proper dihedrals and 1-4 pairs per type, each
  int nndhmax = tvl::nndhmax;      // terms per proper dihedral
  int nefgmax = tvl::nefgmax;      // efg entries

  static constexpr Limits classic() {
    namespace c = tvl::classic;
    return {c::nmax,   c::nsimax,  c::nspmax,  c::ntymolmax, c::nalmolmax, c::nsimolmax, c::nconmax,
            c::nexclmax, c::numbmax, c::nbdmax, c::nangmax,   c::ndhmax,    c::nndhmax,   c::nefgmax};
  }
};

// One molecule type. Every vector holds exactly as many entries as its count.
struct MolType {
  std::string label_mol;  // lower case, at most 10 characters, no trailing blanks
  int nfree = 0;          // degrees of freedom of one molecule
  int nsimol = 0;         // number of sites

  // Sites and reference geometry (nm, centred on the centre of mass).
  std::vector<int> sptype_mol;  // site type of each site
  std::vector<double> xmol, ymol, zmol;

  // Distance constraints.
  int ncon = 0;
  std::vector<int> con_a, con_b;
  std::vector<double> d_con;   // nm
  std::vector<double> d2_con;  // nm^2
  std::vector<double> t_con;   // tol_con^2 * d2_con

  // Excluded pairs.
  int nexcl = 0;
  std::vector<int> excl_a, excl_b;

  // Intramolecular non-bonded pairs (a < b), every pair not excluded.
  int nintra = 0;
  std::vector<int> a_intra, b_intra;

  // Modified non-bonded (1-x) pairs.
  int n14int = 0;
  std::vector<int> a_14int, b_14int;
  std::vector<double> sig6_14int;  // (0.1 sigma)^6, nm^6
  std::vector<double> eps4_14int;  // 4 * 0.00831451 * epsilon, kJ/mol
  std::vector<double> fac_14int;   // as read, 0 when not given

  // Harmonic bonds.
  int nhabd = 0;
  std::vector<int> a_habd, b_habd;
  std::vector<double> k_habd;  // file value * 100
  std::vector<double> r_habd;  // nm

  // Morse bonds.
  int nmobd = 0;
  std::vector<int> a_mobd, b_mobd;
  std::vector<double> k_mobd;   // file value * 100
  std::vector<double> r_mobd;   // nm
  std::vector<double> al_mobd;  // file value * 0.1

  // Plain bond angles.
  int nang = 0;
  std::vector<int> a_ang, b_ang, c_ang;
  std::vector<double> k_ang;
  std::vector<double> te_ang;  // radians

  // Linear bond angles.
  int npiang = 0;
  std::vector<int> a_piang, b_piang, c_piang;
  std::vector<double> k_piang;

  // Improper dihedrals.
  int nidhed = 0;
  std::vector<int> a_idhed, b_idhed, c_idhed, d_idhed;
  std::vector<double> k_idhed;
  std::vector<double> ph_idhed;  // radians

  // Proper dihedrals; term m of dihedral k is k_dhed[k][m] etc.,
  // m < nn_dhed[k] (at most nndhmax when that bound is set).
  int ndhed = 0;
  std::vector<int> nn_dhed;
  std::vector<int> a_dhed, b_dhed, c_dhed, d_dhed;
  std::vector<std::vector<double>> k_dhed;
  std::vector<std::vector<double>> mt_dhed;   // multiplicity, held as a real
  std::vector<std::vector<double>> del_dhed;  // radians

  // Virtual sites: site virt_site[k] is built from virt_nref[k] reference
  // sites virt_ref[k][m] with coefficients virt_c[k][m].
  int nvirt = 0;
  std::vector<int> virt_site;
  std::vector<int> virt_nref;
  std::vector<std::vector<int>> virt_ref;
  std::vector<std::vector<double>> virt_c;

  // True when a stored (0-based) site number indexes a site of this type.
  bool site_ok(int s) const { return s >= 0 && s < nsimol; }
};

struct SystemDescription {
  // Totals and counts.
  int nsite_tot = 0;  // sites of the built system
  int nfrac = 0;      // frac entries of the build section
  int nsp = 0;        // site types
  int ntymol = 0;     // molecule types
  int nmol_tot = 0;   // molecules of the built system

  // Site types.
  std::vector<std::string> name_sp;  // lower case, at most 10 characters
  std::vector<double> q_sp;          // elementary charges
  std::vector<double> mas_sp;        // g/mol

  // Lennard-Jones pair tables, nsp x nsp, column by column:
  // entry (i, j) at i + j * nsp (use sig6()/eps4()).
  std::vector<double> sigsp6;  // sigma^6, nm^6
  std::vector<double> epssp4;  // 4 epsilon, kJ/mol
  double sig6(int i, int j) const { return sigsp6[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * nsp]; }
  double eps4(int i, int j) const { return epssp4[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * nsp]; }

  // Molecule types, ntymol of them.
  std::vector<MolType> mol;

  // Build data.
  std::vector<int> type_frac;               // molecule type of each frac entry
  std::vector<double> xfrac, yfrac, zfrac;  // positions as written in the file
  std::array<int, 3> ndup{0, 0, 0};         // cells along x, y, z
  std::array<double, 3> ecell{0, 0, 0};     // cell edges, nm

  // Umbrella entries (carried, not interpreted).
  int numb = 0;
  std::vector<int> umb_a, umb_b, umb_c, umb_d;
  std::vector<double> umb_k;  // file value * 100
  std::vector<double> umb_r;  // file value * 0.1

  // Efg entries (carried, not interpreted).
  int nefg = 0;
  std::vector<int> efg_a, efg_b;
};

// A system file read once: every reader of its sections (readsys,
// read_surface, the analysers' own sections) works on this one read, so the
// file may as well be a pipe or a FIFO.
struct SystemFile {
  std::string name;  // as given, trailing blanks removed
  rec::RecordList records;
};

// Opens, reads and closes the system file `sysfile` (at most 128
// characters). A name beginning with '-' means none was given: "ERROR: No
// SYSTEM-file specified"; a file that cannot be opened: "ERROR: Cannot read
// SYSTEM-file" and its name (tvl::Stop, exit status 1).
SystemFile load_system_file(const std::string& sysfile);

// Reads the system description from `file`. Prints progress lines to
// standard output when iprint > 0. `tol_con` is the relative constraint
// tolerance; `ecell` the caller's cell edges in Angstrom, used when the file
// has no ecell line (they come back multiplied by 0.1). On any error throws
// tvl::Stop carrying the reader's message lines (exit status 1, standard
// output). The second form loads the file named `sysfile` first.
SystemDescription readsys(int iprint, const SystemFile& file, const Limits& lim = {}, double tol_con = 0.0,
                          std::array<double, 3> ecell = {0, 0, 0});
SystemDescription readsys(int iprint, const std::string& sysfile, const Limits& lim = {},
                          double tol_con = 0.0, std::array<double, 3> ecell = {0, 0, 0});

// The crystalline surface of the optional surface section.
struct Surface {
  // Cell contents.
  int nsurf = 0;                      // frac entries (atoms of the surface cell)
  std::vector<int> typec_s;           // site type of each entry
  std::vector<double> xc_s, yc_s, zc_s;  // nm
  std::vector<int> isurf;             // word 6 of each entry, carried
  std::array<double, 3> ecell_s{0, 0, 0};  // cell edges, nm
  double rc_s = 0;                    // cut-off length, nm
  std::array<double, 3> box_s{0, 0, 0};    // ndup_x*a, ndup_y*b, ndup_z*c, nm
  std::array<int, 3> ndup_s{0, 0, 0};      // duplication counts (0 when not given)

  // Generated slab.
  int nsurf_tot = 0;
  std::vector<double> x_s, y_s, z_s;  // nm
  std::vector<int> type_s;
};

// Reads the surface section of `file` (or of the file named `sysfile`) into `surf`. `name_sp` are the
// site-type names from readsys. surf.ecell_s (Angstrom) and surf.rc_s (nm)
// are in/out: a file without an ecell or cutoff line keeps the caller's
// values. When the file has no surface section (or one without frac
// entries) nothing else changes. Echo lines go to standard output; errors
// (undefined site type, malformed words, more than lim.nmax entries or
// generated sites) throw tvl::Stop with exit status 1.
void read_surface(int iprint, const SystemFile& file, const std::vector<std::string>& name_sp, Surface& surf,
                  const Limits& lim = {});
void read_surface(int iprint, const std::string& sysfile, const std::vector<std::string>& name_sp,
                  Surface& surf, const Limits& lim = {});

}  // namespace tvl::sys
