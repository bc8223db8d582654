#pragma once
// The GROMACS topology model: what a .top file (with its .itp includes)
// says, held as read, in GROMACS's own units (nm, kJ/mol, degrees, amu, e).
// One model for both directions: the reader fills it from a topology,
// the writer writes it out; the converters map it to and from the system
// description (common/sysfile).
//
// Indexing: atom numbers of terms are 0-based inside a molecule type (the
// file's number - 1). Parameters are kept exactly as the file gives them
// (in the order of the file's columns); a term line without parameters has
// an empty `params` and takes its values from the matching *types entry.
#include <string>
#include <utility>
#include <vector>

namespace tvl::gmx {

// Where a line came from, for messages ("file.itp", line 12).
struct Where {
  std::string file;
  int line = 0;
};

// [ defaults ]: nbfunc comb-rule gen-pairs fudgeLJ fudgeQQ
struct Defaults {
  int nbfunc = 1;          // 1: Lennard-Jones (2, Buckingham, has no system-file form)
  int comb_rule = 1;       // 1: V = C6, W = C12; 2: sigma, epsilon, arithmetic sigma; 3: sigma, epsilon, geometric
  bool gen_pairs = false;  // 1-4 pairs without [ pairtypes ] entry get fudgeLJ times the normal LJ
  double fudge_lj = 1.0;
  double fudge_qq = 1.0;
  bool given = false;      // a [ defaults ] directive was read
  Where at;
};

// [ atomtypes ]: name [bonded-type] [at.num] mass charge ptype V W
struct AtomType {
  std::string name;
  std::string bonded_type;  // the name used by bonded *types lookups; equals name when not given
  int atomic_number = -1;   // -1 when the line does not give it
  double mass = 0.0;        // amu
  double charge = 0.0;      // e
  std::string ptype = "A";  // A atom, S shell, V or D virtual
  double v = 0.0;           // sigma (nm) for comb-rule 2 and 3, C6 (kJ/mol nm^6) for comb-rule 1
  double w = 0.0;           // epsilon (kJ/mol) for comb-rule 2 and 3, C12 (kJ/mol nm^12) for comb-rule 1
  Where at;
};

// One line of [ bondtypes ], [ constrainttypes ], [ angletypes ],
// [ dihedraltypes ], [ pairtypes ] or [ nonbond_params ]: the type names,
// the function type and the parameters as written.
struct TypeParams {
  std::vector<std::string> types;  // 2, 3 or 4 names; "X" is the wildcard in [ dihedraltypes ]
  int func = 0;
  std::vector<double> params;
  Where at;
};

// [ atoms ]: nr type resnr residue atom cgnr charge mass
struct Atom {
  std::string type;
  int resnr = 1;
  std::string residue;
  std::string name;
  int cgnr = 1;
  double charge = 0.0;  // the atom type's charge when the line does not give one
  double mass = 0.0;    // the atom type's mass when the line does not give one
  bool charge_given = false;
  bool mass_given = false;
  Where at;
};

// One line of a term directive of a molecule type.
struct Term {
  std::vector<int> atoms;      // 0-based within the molecule type
  int func = 0;
  std::vector<double> params;  // as written; empty: from the *types directive
  Where at;
};

struct MoleculeType {
  std::string name;
  int nrexcl = 0;
  std::vector<Atom> atoms;
  std::vector<Term> bonds;
  std::vector<Term> pairs;
  std::vector<Term> angles;
  std::vector<Term> dihedrals;
  std::vector<Term> constraints;
  std::vector<Term> settles;      // atoms = {first}, params = {doh, dhh}
  std::vector<Term> exclusions;   // atoms[0] excluded from each of atoms[1..]
  std::vector<Term> vsites2;      // atoms = {site, i, j}
  std::vector<Term> vsites3;      // atoms = {site, i, j, k}
  std::vector<Term> vsitesn;      // atoms = {site, ref...}; func 1 COG, 2 COM, 3 COW (weights in params)
  Where at;
};

struct Topology {
  Defaults defaults;
  std::vector<AtomType> atomtypes;
  std::vector<TypeParams> bondtypes;
  std::vector<TypeParams> constrainttypes;
  std::vector<TypeParams> angletypes;
  std::vector<TypeParams> dihedraltypes;
  std::vector<TypeParams> pairtypes;
  std::vector<TypeParams> nonbond_params;
  std::vector<MoleculeType> moltypes;
  std::string system_name;
  std::vector<std::pair<std::string, long long>> molecules;  // [ molecules ]: name, count, in order
};

// Units: the system file's against GROMACS's.
inline constexpr double nm_per_angstrom = 0.1;
inline constexpr double kj_per_kelvin = 0.00831451;  // the system file's gas constant, kJ/(mol K)

}  // namespace tvl::gmx
