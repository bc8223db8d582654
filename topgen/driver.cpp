#include "topgen/driver.h"

#include <algorithm>
#include <string_view>

#include "common/error.h"
#include "common/outfile.h"
#include "common/text/fortran.h"
#include "topgen/debug_dump.h"
#include "topgen/gaff_typer.h"
#include "topgen/input.h"
#include "topgen/readers.h"
#include "topgen/writer.h"

namespace tvl::topgen {

namespace tx = tvl::text;

const std::vector<std::string>& help_lines() {
  static const std::vector<std::string> lines = {
      "",
      "  TOPGEN - Generate a Molecular Forcefield",
      "",
      "  Syntax:  topgen [-ff -lib] <force-field-file> [-off -hin -mol2 -tmf] <file>",
      "                   (-auto) (-debug) (-fix) (-zmat (freeze)) (-build) (-label <mollabel>)",
      "",
      "  Necessary:",
      "            -ff   : specify TARVELO force-field file",
      "            -lib  : specify LEAP/AMBER ffield-file",
      "",
      "            -off  : read LEAP/AMBER OFF-file",
      "            -hin  : read Hyperchem HIN-file",
      "            -mol2 : read SIBYL mol2-file",
      "            -tmf  : read TARVELO meta-file (TMF)",
      "",
      "  Optional:",
      "            -auto : generate topology automatically.",
      "                    Otherwise the connectivity defined",
      "                    in <file> is used.",
      "            -fix  : bond-constraints active",
      "                    (harmonic bonds switched off:",
      "                     default is vice versa)",
      "            -zmat : generate TARVELO-zmatrix",
      "                    section in system-file",
      "                    (-zmat freeze :invokes all bond",
      "                     lengths to be frozen)",
      "            -opls : use OPLS-like combination rules",
      "                    (geometric mean for Lenn.-Jones",
      "                     epsilon *and* sigma)",
      "            -label: identify a molec. by a certain",
      "                    label (default is: molecule)",
      "            -build: appends a tarvelo build section",
      "            -debug: generate a forcefield and",
      "                    molecule status dump",
      "",
  };
  return lines;
}

namespace {

constexpr int max_args = 20;

// Arguments 1 to 20 up to the first blank one; a longer one than 128
// characters is refused rather than cut.
std::vector<std::string> fetch_args(int argc, char** argv) {
  std::vector<std::string> a;
  for (int i = 1; i < argc && i <= max_args; ++i) {
    std::string s = argv[i];
    if (s.find_first_not_of(' ') == std::string::npos) break;
    tx::check_name_length(s, "command-line argument", exit_usage);
    a.push_back(std::move(s));
  }
  return a;
}

// The value after argument i: accepted when it exists and does not begin with "-".
const std::string* value_after(const std::vector<std::string>& a, std::size_t i) {
  if (i + 1 >= a.size() || a[i + 1][0] == '-') return nullptr;
  return &a[i + 1];
}

// A label is written as "label <name>" (its first label_len characters) and
// read back as words of a record. What in the written part would change the
// file: empty when nothing would. A record holding "begin" anywhere is taken
// for a section head, one holding "end{" may close a section; "end" alone,
// as in "legend", is harmless.
std::string label_fault(const std::string& written) {
  for (char c : written) {
    if (c == ' ' || c == '\t') return "it holds a blank or a tab (separators)";
    if (c == '\n' || c == '\r') return "it holds a line break";
    if (c == ',' || c == '=') return std::string("it holds \"") + c + "\" (a separator)";
    if (c == '#') return "it holds \"#\" (a comment mark)";
    if (c == '"') return "it holds a double quote (a separator)";
  }
  std::string low = written;
  rec::low_case(low);
  if (low.find("begin") != std::string::npos) return "it holds \"begin\" (a section head)";
  if (low.find("end{") != std::string::npos) return "it holds \"end{\" (a section end)";
  return "";
}

void check_label(const std::string& given, const std::string& written) {
  const std::string fault = label_fault(written);
  if (fault.empty()) return;
  std::string l = "ERROR: the molecule label " + tx::quoted(written);
  if (written != given) l += " (cut from " + tx::quoted(given) + ")";
  stop({tx::free_text(l + " cannot stand in a system file: " + fault)}, exit_usage);
}

[[noreturn]] void usage_error(const std::string& what) { stop({tx::free_text("ERROR: " + what)}, exit_usage); }

// -amber <parm file>, -frcmod <file> (repeatable), -type gaff, -charges <file>.
void amber_options(const std::vector<std::string>& a, Options& o) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    const std::string& s = a[i];
    if (s != "-amber" && s != "-frcmod" && s != "-type" && s != "-charges") continue;
    const std::string* v = value_after(a, i);
    if (!v) usage_error(s + " needs a value");
    if (s == "-amber") {
      if (o.ff != FfKind::none) usage_error("give one force field: -ff, -lib or -amber");
      o.ff = FfKind::amber, o.ff_file = *v;
    } else if (s == "-frcmod") {
      o.frcmods.push_back(*v);
    } else if (s == "-type") {
      if (*v != "gaff") usage_error("-type takes gaff (the GAFF typer of OpenBabel), not " + *v);
      o.type_gaff = true;
    } else {
      o.charges_file = *v;
    }
  }
  if (!o.frcmods.empty() && o.ff != FfKind::amber) usage_error("-frcmod adds to an -amber parameter file");
}

}  // namespace

Options get_options(int argc, char** argv) {
  std::vector<std::string> a = fetch_args(argc, argv);
  if (a.size() <= 3) {
    if (std::find(a.begin(), a.end(), "-help") != a.end()) stop_ok(help_lines());
    stop({tx::free_text("topgen: generates TARVELO system files based on the TARVELO forcefield format"),
          tx::free_text("For help type: topgen -help")},
         exit_usage);
  }
  Options o;
  auto each = [&a](auto&& f) {
    for (std::size_t i = 0; i < a.size(); ++i) f(i, a[i]);
  };
  // Switches count wherever they stand; most are recognised by their beginning.
  each([&](std::size_t i, const std::string& s) {
    o.opls = o.opls || starts(s, "-opls");
    o.auto_bonds = o.auto_bonds || starts(s, "-auto");
    o.build = o.build || starts(s, "-build");
    o.debug = o.debug || s == "-debug";
    o.fix = o.fix || starts(s, "-fix");
    if (!starts(s, "-z")) return;
    o.zmat = true;
    if (i + 1 < a.size() && starts(a[i + 1], "freeze")) o.freeze = true;
  });
  // -ff, then -lib: with both, the library is read.
  for (auto [key, kind] : {std::pair{"-ff", FfKind::own}, std::pair{"-lib", FfKind::lib}})
    each([&](std::size_t i, const std::string& s) {
      if (s != key) return;
      if (const std::string* v = value_after(a, i)) o.ff_file = *v, o.ff = kind;
    });
  amber_options(a, o);
  each([&](std::size_t i, const std::string& s) {
    if (s != "-label") return;
    if (const std::string* v = value_after(a, i)) {
      o.label = v->substr(0, label_len);
      check_label(*v, o.label);  // what is written, not what is cut off
    }
  });
  // One molecule file per run: with two, which file which reader would read is a guess.
  constexpr std::pair<std::string_view, MolKind> mol_options[] = {
      {"-tmf", MolKind::tmf}, {"-mol2", MolKind::mol2}, {"-off", MolKind::off}, {"-hin", MolKind::hin},
      {"-sdf", MolKind::sdf}, {"-pdb", MolKind::pdb}};
  int given = 0;
  for (auto [key, kind] : mol_options)
    each([&](std::size_t i, const std::string& s) {
      if (s != key) return;
      if (++given > 1) stop(help_lines(), exit_usage);
      if (const std::string* v = value_after(a, i)) o.mol_file = *v, o.mol = kind;
    });
  const bool babel_kind = o.mol == MolKind::sdf || o.mol == MolKind::pdb;
  if (babel_kind && !o.type_gaff)
    usage_error("-sdf and -pdb files hold no force-field types: give -type gaff with them");
  if (o.type_gaff && o.mol != MolKind::mol2 && !babel_kind && o.mol != MolKind::none)
    usage_error("-type gaff reads -mol2, -sdf or -pdb files");
  return o;
}

ForceField read_forcefield(const Options& o) {
  switch (o.ff) {
    case FfKind::lib: return read_apar(o.ff_file);
    case FfKind::amber: return read_amber(o.ff_file, o.frcmods);
    case FfKind::own:
    case FfKind::none: break;
  }
  return read_own_forcefield(o.ff_file);
}

Molecule read_molecule(const Options& o) {
  Molecule m;
  int formal = 0;
  switch (o.mol) {
    case MolKind::tmf: m = get_xyz(o.mol_file, o.auto_bonds); break;
    case MolKind::mol2: m = get_mol2(o.mol_file); break;
    case MolKind::off: m = get_off(o.mol_file); break;
    case MolKind::hin: m = get_hin(o.mol_file, o.auto_bonds); break;
    case MolKind::sdf: m = gaff_typed_molecule(o.mol_file, "sdf", formal); break;
    case MolKind::pdb: m = gaff_typed_molecule(o.mol_file, "pdb", formal); break;
    case MolKind::none: break;
  }
  if (o.type_gaff && o.mol == MolKind::mol2) {
    // The types from the typer, all else as topgen read it.
    const Molecule typed = gaff_typed_molecule(o.mol_file, "mol2", formal);
    if (typed.n() != m.n())
      stop({" ERROR: OpenBabel reads " + std::to_string(typed.n()) + " atoms from " + tx::quoted(o.mol_file) +
            ", topgen " + std::to_string(m.n())});
    for (std::size_t i = 0; i < m.atoms.size(); ++i) m.atoms[i].alabel = typed.atoms[i].alabel;
    formal = 0;  // a mol2 file holds its partial charges
  }
  if (!o.charges_file.empty())
    read_charges(o.charges_file, m);
  else if (formal != 0)
    warning("the molecule has a formal charge of " + std::to_string(formal) +
            " but its atoms get charge 0: give the charges with -charges");
  return m;
}

void warn_unbonded_atoms(const Molecule& m) {
  std::vector<bool> bonded(m.atoms.size());
  for (const Bond& b : m.bonds) bonded[b.con_a - 1] = bonded[b.con_b - 1] = true;
  for (std::size_t i = 0; i < bonded.size(); ++i)
    if (!bonded[i])
      warning("atom " + std::to_string(i + 1) + " (" + m.atoms[i].alabel + ") has no bond within its radius");
}

int topgen_main(int argc, char** argv) {
  Options o = get_options(argc, argv);
  if (o.ff == FfKind::none) stop({tx::free_text("ERROR : check [-ff -lib] Options")}, exit_usage);
  if (o.mol == MolKind::none) stop({tx::free_text("ERROR : check [-hin -tmf -off -mol2] Options")}, exit_usage);
  ForceField ff = read_forcefield(o);
  Molecule mol = read_molecule(o);

  derive_and_write(o, ff, mol);
  return exit_ok;
}

}  // namespace tvl::topgen
