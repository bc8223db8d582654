// GAFF typing with OpenBabel: the file is read by OpenBabel's own reader of
// the format (bond orders and aromaticity come with it), then the GAFF force
// field of the library is set up on the molecule, which assigns the types.
#include "topgen/gaff_typer.h"

#include <openbabel/atom.h>
#include <openbabel/bond.h>
#include <openbabel/forcefield.h>
#include <openbabel/generic.h>
#include <openbabel/mol.h>
#include <openbabel/obconversion.h>
#include <openbabel/oberror.h>
#include <openbabel/obiter.h>

#include <fstream>

#include "common/error.h"
#include "common/text/fortran.h"
#include "common/text/records.h"

namespace tvl::topgen {

namespace {

[[noreturn]] void refuse(const std::string& file, const std::string& what) {
  stop({" ERROR: file " + text::quoted(file) + ": " + what});
}

}  // namespace

Molecule gaff_typed_molecule(const std::string& file, const std::string& format, int& formal_charge) {
  // OpenBabel's messages go to standard error; topgen reports for itself.
  OpenBabel::obErrorLog.StopLogging();
  std::ifstream in(file, std::ios::binary);
  if (!in) refuse(file, "cannot be opened");
  OpenBabel::OBConversion conv;
  if (!conv.SetInFormat(format.c_str())) stop({" ERROR: OpenBabel has no reader for " + format + " files"});
  OpenBabel::OBMol mol;
  if (!conv.Read(&mol, &in) || mol.NumAtoms() == 0) refuse(file, "holds no molecule that OpenBabel can read as " + format);
  if (mol.NumAtoms() > static_cast<unsigned>(ntgmax)) too_many("atoms", ntgmax);

  OpenBabel::OBForceField* ff = OpenBabel::OBForceField::FindForceField("GAFF");
  if (!ff) stop({" ERROR: the OpenBabel library has no GAFF force field (its plugins are not installed)"});
  // The set-up types every atom first, then prepares the energy terms; it
  // reports failure when parameters are missing, which leaves the types in
  // place, so only the types count. With every atom ignored by the energy
  // terms it skips building the pair terms, whose number grows with the
  // square of the atom count (8 s instead of 1 s on 2000 atoms).
  OpenBabel::OBFFConstraints ignore_all;
  for (unsigned i = 1; i <= mol.NumAtoms(); ++i) ignore_all.AddIgnore(static_cast<int>(i));
  ff->Setup(mol, ignore_all);
  ff->GetAtomTypes(mol);

  Molecule m;
  formal_charge = 0;
  FOR_ATOMS_OF_MOL(a, mol) {
    auto* type = dynamic_cast<OpenBabel::OBPairData*>(a->GetData("FFAtomType"));
    if (!type || type->GetValue().empty())
      refuse(file, "atom " + std::to_string(a->GetIdx()) + " got no GAFF type from OpenBabel");
    std::string label = type->GetValue();
    rec::low_case(label);
    m.atoms.push_back({label.substr(0, label_len), a->GetX(), a->GetY(), a->GetZ(), 0.0});
    formal_charge += a->GetFormalCharge();
  }
  FOR_BONDS_OF_MOL(b, mol) {
    append(m.bonds, Bond{static_cast<int>(b->GetBeginAtomIdx()), static_cast<int>(b->GetEndAtomIdx())}, "bonds");
  }
  return m;
}

}  // namespace tvl::topgen
