// sys2top: writes a GROMACS topology (<name>.top) and configuration
// (<name>.gro) of a system file, with energies that mean what the system
// file means (interop/meaning.h). The coordinates come from a structure file
// when one is given, else from the system file itself.
#include <cstdio>
#include <string>
#include <vector>

#include "common/config/structure.h"
#include "common/error.h"
#include "common/gromacs/top_writer.h"
#include "common/infile.h"
#include "common/outfile.h"
#include "common/standard_flags.h"
#include "common/sysfile/system.h"
#include "common/text/fortran.h"
#include "interop/to_gromacs.h"

namespace {

namespace tx = tvl::text;

const std::vector<std::string> help = {
    "usage: sys2top <system-file> [<structure-file>] <name>",
    "",
    "Writes <name>.top, a self-contained GROMACS topology of the system file",
    "(atom types from the site types, one molecule type per molecule type with",
    "its bonds, 1-4 pairs, angles, dihedrals, constraints, exclusions and",
    "virtual sites), and <name>.gro with the coordinates: those of the structure",
    "file when one is given; else the molecules of the system file's build",
    "section, or one molecule of every type side by side in a box 3 nm wider",
    "than them on every side.",
    "",
    "Units become GROMACS's (nm, kJ/mol, degrees); the energy forms are kept:",
    "harmonic bonds and angles, proper dihedrals k (1 + cos(m phi - delta)),",
    "harmonic impropers, 1-4 pairs with their own sigma, epsilon and Coulomb",
    "factor. A term GROMACS cannot express with the same meaning (Morse bond,",
    "linear angle, multiplicity that is not a whole number, umbrella or efg",
    "entry, ...) stops the program with a message; nothing is written then.",
    "",
    "Exit status: 0 files written, 1 error, 2 wrong arguments.",
};

[[noreturn]] void usage(const std::string& why) { tvl::usage_stop(tx::free_text("sys2top: " + why), help); }

// The file name after its last '/'.
std::string base_name(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Both files are created before either is written, and a failure on the
// way removes both: a stop never leaves one file without the other.
void write_files(const std::string& top_name, const std::string& top_text, const std::string& gro_name,
                 const std::string& gro_text) {
  int created = 0;
  try {
    tvl::OutFile top(top_name);
    created = 1;
    tvl::OutFile gro(gro_name);
    created = 2;
    top.write(top_text);
    gro.write(gro_text);
    top.close();
    gro.close();
  } catch (...) {
    if (created >= 1) std::remove(top_name.c_str());
    if (created >= 2) std::remove(gro_name.c_str());
    throw;
  }
}

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, help);
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& a : args) {
    if (!a.empty() && a[0] == '-') usage("unknown option " + a);
    tx::check_name_length(a, "argument");
  }
  if (args.size() < 2 || args.size() > 3) usage("give a system file, optionally a structure file, and a name");
  const std::string sysfile = args[0], strfile = args.size() == 3 ? args[1] : "", name = args.back();
  if (name.empty()) usage("the name of the output files is empty");

  const std::string top_name = name + ".top", gro_name = name + ".gro";
  for (const std::string& out : {top_name, gro_name})
    for (const std::string& in : {sysfile, strfile})
      if (!in.empty() && tvl::same_file(out, in))
        tvl::stop({tx::free_text("ERROR: the output " + tx::quoted(out) + " is an input. Nothing written.")});

  const tvl::sys::SystemDescription s = tvl::sys::readsys(0, sysfile);
  std::string title = base_name(sysfile);
  if (!strfile.empty()) title += " with " + base_name(strfile);
  tvl::gmx::Topology top = tvl::interop::topology_of(s, title);
  tvl::interop::Placement place;
  if (strfile.empty()) {
    place = tvl::interop::placement_of(s);
  } else {
    std::string opened = strfile;
    tvl::config::Configuration c;
    tvl::config::Cutoff cut;
    if (!tvl::config::read_str(opened, 0, s, c, cut) || opened != strfile)
      tvl::stop({tx::free_text("ERROR: Cannot read STRUCTURE-file " + tx::quoted(strfile))});
    if (c.m == 0) tvl::stop({tx::free_text("ERROR: the structure file holds no molecule. Nothing written.")});
    place = tvl::interop::placement_of(c);
  }
  tvl::interop::build_virtual_sites(s, place);
  tvl::interop::set_molecules(top, place);
  const std::string top_file = "; GROMACS topology of " + title + ", written by sys2top\n\n" + tvl::gmx::top_text(top);
  const std::string gro_file = tvl::interop::gro_text(title, top, place);

  write_files(top_name, top_file, gro_name, gro_file);
  tvl::out_line(tx::free_text("sys2top: " + top_name + ": " + std::to_string(top.moltypes.size()) +
                              " molecule types, " + std::to_string(place.mol_type.size()) + " molecules; " +
                              gro_name + ": " + std::to_string(place.r.size()) + " atoms"));
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
