#pragma once
// The readers of topgen's input files. Every reader opens its file once,
// reads it from the start and stops the program with a message naming the
// file and the record at the first error.
#include <string>
#include <vector>

#include "topgen/model.h"

namespace tvl::topgen {

// ---- force field ------------------------------------------------------------
// The package's own format: every section and setting in one pass
// (get_definitions, get_sites, get_nonbonded, get_bonds, get_angles,
// get_dihed, get_imdh, get_int14 and the equivalences of the nonbonded section).
ForceField read_own_forcefield(const std::string& file);
// A LEAP/AMBER parameter library in OFF form; writes a "# Found label :" line
// for every table it reads.
ForceField read_apar(const std::string& file);
// An AMBER parm file (gaff.dat, parm10.dat) and frcmod files read after it in
// order, later entries replacing earlier ones of the same types; kcal/mol
// into kJ/mol, AMBER's k (r - r0)^2 into the system file's 1/2 k (r - r0)^2,
// R* and epsilon into sigma (A) and epsilon (K); 1-4 scales 1/1.2 and 1/2.
ForceField read_amber(const std::string& parm, const std::vector<std::string>& frcmods);

// ---- molecule ---------------------------------------------------------------
// With auto_bonds the file's connectivity is skipped (TMF, HIN) or read and
// checked but left for the automatic detection to replace (mol2, OFF).
Molecule get_xyz(const std::string& file, bool auto_bonds);   // TMF
Molecule get_mol2(const std::string& file);
Molecule get_off(const std::string& file);
Molecule get_hin(const std::string& file, bool auto_bonds);

// -charges: the charge of every atom from a file in respconv's free layout
// (the count, then atom number and charge per line); the count must be the
// molecule's atom count.
void read_charges(const std::string& file, Molecule& m);

// The force field and the molecule that the options name; with -type gaff
// the atom types come from the GAFF typer.
ForceField read_forcefield(const Options& o);
Molecule read_molecule(const Options& o);

}  // namespace tvl::topgen
