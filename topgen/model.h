#pragma once
// topgen's data: the force field, the molecule and the command-line settings.
// Tables are growable vectors in the order in which entries were read or
// generated (entry k of a table is number k+1 in messages and output); none
// may hold more than ntgmax entries, so every insertion goes through append().
// Labels are lower case, at most 10 characters, without padding.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "common/tvl_const.h"

namespace tvl::topgen {

inline constexpr std::size_t label_len = 10;  // site-type and molecule labels
inline constexpr std::string_view wildcard = "x";  // any type, in torsion and improper types

// The stop for a table that would outgrow `cap` entries: names its entries and the cap.
[[noreturn]] void too_many(std::string_view what, int cap);

// Appends to a topgen table, refusing the entry that would exceed `cap`
// (ntgmax unless a caller sets a smaller one); `what` names the table's
// entries in the message ("bonds", "site types").
template <class T>
void append(std::vector<T>& table, T entry, std::string_view what, int cap = ntgmax) {
  if (table.size() >= static_cast<std::size_t>(cap)) too_many(what, cap);
  table.push_back(std::move(entry));
}

// ---- force field ------------------------------------------------------------

struct SiteType {
  std::string label;
  double mass = 0;        // g/mol
  double rlim = 0;        // bond-detection radius (A)
  double lj_sigma = 0;    // A
  double lj_epsilon = 0;  // K
  int lj_def = 0;         // 1 when Lennard-Jones parameters were given
};

struct BondType {
  std::array<std::string, 2> label;
  double bond_k = 0;   // kJ/mol/A^2
  double bond_r0 = 0;  // A
};

struct AngleType {
  std::array<std::string, 3> label;  // label[1] is the apex
  double ang_k = 0;                  // kJ/mol/rad^2
  double ang_t0 = 0;                 // degrees
};

struct DihedType {
  std::array<std::string, 4> label;
  double dihed_k = 0;   // barrier (kJ/mol), already divided by the file's divisor
  double dihed_m = 0;   // multiplicity
  double dihed_p0 = 0;  // phase (degrees)
};

struct ImdhType {
  std::array<std::string, 4> label;  // label[2] is the centre
  double imdh_k = 0;
  double imdh_m = 0;
  double imdh_p0 = 0;
};

struct Int14Type {
  std::array<std::string, 2> label;
  double int14_sig = 0;  // A
  double int14_eps = 0;  // K
  double int14_fac = 0;  // Coulomb factor written into the 1-4 line
  int int14_off = 0;     // 1: the pair's 1-4 interaction is switched off
};

// A group of the nonbonded section: every site type named in `labels` takes
// the Lennard-Jones parameters of the (last) site type named `reference`.
struct Equivalence {
  std::string reference;
  std::vector<std::string> labels;
};
inline constexpr int max_equivalences = 10;

struct ForceField {
  double scale_coulomb14 = 1.0;  // Coulomb 1-4 scale
  double scale_lj14 = 1.0;       // Lennard-Jones 1-4 scale
  std::vector<SiteType> sites;
  std::vector<BondType> bonds;
  std::vector<AngleType> angles;
  std::vector<DihedType> dihedrals;
  std::vector<ImdhType> impropers;
  std::vector<Int14Type> int14;
  std::vector<Equivalence> equivalences;  // as read; already applied to `sites`
};

// ---- molecule ---------------------------------------------------------------

struct Atom {
  std::string alabel;  // atom type label, matched against the site types
  double x = 0, y = 0, z = 0;  // A
  double charge = 0;           // e
};

struct Bond {
  int con_a = 0, con_b = 0;  // atom numbers, 1..n
};

struct Molecule {
  std::vector<Atom> atoms;  // atom k+1 is atoms[k]
  std::vector<Bond> bonds;  // connectivity in file order, each pair once
  int n() const { return static_cast<int>(atoms.size()); }
};

// ---- command line -----------------------------------------------------------

enum class FfKind { none, own, lib, amber };            // -ff, -lib, -amber
enum class MolKind { none, tmf, mol2, off, hin, sdf, pdb };  // -tmf, -mol2, -off, -hin, -sdf, -pdb

struct Options {
  std::string ff_file;              // force-field file
  std::string mol_file;             // molecule file
  std::string label = "molecule";   // molecule label (-label), at most 10 characters
  FfKind ff = FfKind::none;
  MolKind mol = MolKind::none;
  bool opls = false;        // geometric means for sigma and epsilon
  bool auto_bonds = false;  // -auto: bonds from distances, file connectivity ignored
  bool build = false;       // append a build section
  bool debug = false;       // status dump instead of a system file
  bool zmat = false;        // z-matrix section
  bool freeze = false;      // with -zmat: frozen bond lengths
  bool fix = false;         // constraints active, harmonic bonds commented out
  std::vector<std::string> frcmods;  // -frcmod files read after the -amber file, in order
  bool type_gaff = false;            // -type gaff: atom types from the GAFF typer
  std::string charges_file;          // -charges: one charge per atom, replacing the file's
};

}  // namespace tvl::topgen
