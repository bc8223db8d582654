// top2sys: a GROMACS topology and a GRO configuration into a system file
// (<name>.sys) and a structure file (<name>.str), so that rotcf and mucf
// analyse a GROMACS run.
#include <string>
#include <vector>

#include "common/config/gro.h"
#include "common/config/structure.h"
#include "common/error.h"
#include "common/gromacs/preprocessor.h"
#include "common/gromacs/top_reader.h"
#include "common/infile.h"
#include "common/outfile.h"
#include "common/standard_flags.h"
#include "common/text/fortran.h"
#include "interop/top2sys_map.h"

namespace {

namespace gx = tvl::gmx;
namespace tx = tvl::text;

const std::vector<std::string> help = {
    "usage: top2sys [-I dir]... [-D NAME[=value]]... [-vector MOLTYPE A1 A2 A3 A4]...",
    "               <topology.top> <configuration.gro> <name>",
    "",
    "Reads a GROMACS topology as grompp does (#include searched in the including",
    "file's folder, then each -I folder, then $GMXLIB, then the data folder of the",
    "installed GROMACS; -D defines a name as grompp's define = -D...) and the GRO",
    "configuration of its molecules, and writes <name>.sys (site types, Lennard-",
    "Jones parameters, one molecule type per [ moleculetype ] used, with its",
    "intramolecular terms) and <name>.str (the configuration, molecules in GRO",
    "order). Then: rotcf -sys <name>.sys -in <name>.str -xtc traj.xtc -time DT ...",
    "",
    "  -I dir        a further folder for #include",
    "  -D NAME[=v]   defines NAME (to v)",
    "  -vector MOLTYPE A1 A2 A3 A4",
    "                adds a rotcf vector (A1-A2) x (A3-A4) by atom names of the",
    "                molecule type; at most 4",
};

[[noreturn]] void usage(const std::string& what) { tvl::usage_stop(tx::free_text("ERROR: " + what), help); }

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, help);
  gx::PreprocessOptions opt;
  std::vector<tvl::interop::VectorSpec> vectors;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) tx::check_name_length(argv[i], "argument");  // option values too
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char* opt_name) -> std::string {
      if (i + 1 >= argc) usage(std::string(opt_name) + " needs a value");
      return argv[++i];
    };
    if (a == "-I") {
      opt.include_dirs.push_back(value("-I"));
    } else if (a.rfind("-I", 0) == 0) {
      opt.include_dirs.push_back(a.substr(2));
    } else if (a == "-D") {
      opt.defines.push_back(gx::parse_define(value("-D")));
    } else if (a.rfind("-D", 0) == 0) {
      opt.defines.push_back(gx::parse_define(a.substr(2)));
    } else if (a == "-vector") {
      if (i + 5 >= argc) usage("-vector needs a molecule type and four atom names");
      tvl::interop::VectorSpec v;
      v.moltype = argv[++i];
      for (std::string& n : v.atoms) n = argv[++i];
      vectors.push_back(v);
    } else if (a.size() > 1 && a[0] == '-') {
      usage("unknown option " + a);
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 3) usage("give a topology, a GRO file and a name");
  if (vectors.size() > 4) usage("at most 4 -vector options");
  const std::string& top_name = files[0];
  const std::string& gro_name = files[1];
  const std::string sys_out = files[2] + ".sys";
  const std::string str_out = files[2] + ".str";
  opt.library_dirs = gx::default_library_dirs();

  // Everything is read and checked before anything is written.
  std::vector<std::string> inputs{gro_name};
  const std::vector<gx::Line> lines = gx::preprocess(top_name, opt, &inputs);
  for (const std::string& in : inputs)
    for (const std::string& o : {sys_out, str_out})
      if (tvl::same_file(in, o)) tvl::stop({tx::free_text("ERROR: the output " + o + " is an input")});
  std::vector<std::string> warnings;
  const gx::Topology top = gx::read_topology(lines, warnings);
  const tvl::config::GroFile gro = tvl::config::read_gro_file(gro_name);
  tvl::interop::Top2Sys r = tvl::interop::top_to_sys(top, gro, vectors, top_name, gro_name);
  for (const std::string& w : r.warnings) warnings.push_back(w);
  for (const std::string& w : warnings) tvl::out_line(tx::free_text("WARNING: " + w));

  // Both files must be writable before either is written: a stop never
  // leaves a system file without its structure file.
  tvl::check_writable({sys_out, str_out});
  tvl::OutFile sys(sys_out, "w");
  sys.write(r.sys_text);
  sys.close();
  tvl::config::write_str(str_out, r.conf, r.sd);
  tvl::out_line(tx::FreeLine()
                    .t("top2sys: ")
                    .t(sys_out + " and " + str_out + ":")
                    .i(r.sd.nsp)
                    .t(" site types,")
                    .i(r.sd.ntymol)
                    .t(" molecule types,")
                    .i(r.conf.m)
                    .t(" molecules,")
                    .i(r.conf.n)
                    .t(" sites")
                    .str());
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
