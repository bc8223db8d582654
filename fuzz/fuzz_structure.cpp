// Fuzz target: any text given as a structure file must fill a configuration
// or stop with the reader's message.
#include "common/config/structure.h"
#include "fuzz/fuzz_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return tvl::fuzz::read_config(tvl::config::read_str, data, size);
}
