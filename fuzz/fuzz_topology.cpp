// Fuzz target: any text given as a GROMACS topology must be read and mapped
// to a system file, with a GRO file of its own atom names, or stop with a
// message naming the file and line; any text given as a GRO file must be
// read or refused. Never a read or write outside a table, a hang or a crash.
#include <cstdint>

#include "common/config/gro.h"
#include "common/error.h"
#include "common/gromacs/preprocessor.h"
#include "common/gromacs/top_reader.h"
#include "fuzz/fuzz_input.h"
#include "interop/top2sys_map.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& name = tvl::fuzz::as_file(data, size);
  try {
    tvl::config::read_gro_file(name);
  } catch (const tvl::Stop&) {
  }
  try {
    std::vector<std::string> warnings;
    const tvl::gmx::Topology top = tvl::gmx::read_topology(tvl::gmx::preprocess(name, {}), warnings);
    // the configuration: the topology's own atom names, at most 100000 atoms
    tvl::config::GroFile gro;
    gro.box = {3, 3, 3, 0, 0, 0, 0, 0, 0};
    for (const auto& [mol, count] : top.molecules)
      for (const tvl::gmx::MoleculeType& mt : top.moltypes)
        if (mt.name == mol)
          for (long long c = 0; c < count && gro.atoms.size() < 100000; ++c)
            for (const tvl::gmx::Atom& a : mt.atoms) {
              tvl::config::GroAtom ga;
              ga.name = a.name.substr(0, 5);
              ga.r = {0.01 * static_cast<double>(gro.atoms.size() % 300), 0.1, 0.2};
              gro.atoms.push_back(ga);
            }
    tvl::interop::top_to_sys(top, gro, {}, name, "conf.gro");
  } catch (const tvl::Stop&) {
  }
  return 0;
}
