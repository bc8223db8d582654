// Fuzz target: any bytes given as a crd trajectory must give whole frames of
// the header's site count, an end, or a refusal naming the file.
#include <cstdint>

#include "common/error.h"
#include "common/traj/crd.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& name = tvl::fuzz::as_file(data, size);
  try {
    tvl::crd::Reader r;
    if (!r.open(name, 4096)) return 0;
    tvl::crd::Frame f;
    const std::size_t n = static_cast<std::size_t>(r.natoms());
    for (int k = 0; k < 64 && r.next(f) == tvl::crd::ReadResult::ok; ++k)
      if (f.x.size() < n || f.y.size() < n || f.z.size() < n) __builtin_trap();
  } catch (const tvl::Stop&) {
  }
  return 0;
}
