// Fuzz target: any text given as a system file must be read into a system
// description, or refused with the reader's message; the same for its surface
// section. Never a read or write outside a table, a hang or a crash.
#include <cstdint>

#include "common/error.h"
#include "common/sysfile/system.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One read of the file serves both readers, as in the programs.
  tvl::sys::SystemFile file;
  try {
    file = tvl::sys::load_system_file(tvl::fuzz::as_file(data, size));
  } catch (const tvl::Stop&) {
    return 0;
  }
  std::vector<std::string> names;
  try {
    tvl::sys::SystemDescription sd = tvl::sys::readsys(0, file);
    names = sd.name_sp;
  } catch (const tvl::Stop&) {
  }
  try {
    tvl::sys::Surface surf;
    tvl::sys::read_surface(0, file, names, surf);
  } catch (const tvl::Stop&) {
  }
  return 0;
}
