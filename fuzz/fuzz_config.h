#pragma once
// The configuration-reader targets read against the water example's system
// description (read once per process).
#include <cstdint>

#include "common/config/configuration.h"
#include "common/error.h"
#include "common/sysfile/system.h"
#include "fuzz/fuzz_input.h"

namespace tvl::fuzz {

inline const sys::SystemDescription& water() {
  static const sys::SystemDescription sd = sys::readsys(0, TVL_FUZZ_SYSTEM);
  return sd;
}

using ConfigReader = bool (*)(std::string&, int, const sys::SystemDescription&, config::Configuration&,
                              config::Cutoff&, const config::Limits&);

inline int read_config(ConfigReader reader, const std::uint8_t* data, std::size_t size) {
  const sys::SystemDescription& sd = water();
  std::string name = as_file(data, size);
  config::Configuration c;
  config::Cutoff cut{1.0, 1.2, 0};
  try {
    if (reader(name, 0, sd, c, cut, config::Limits{}) && c.n < 0) __builtin_trap();
  } catch (const Stop&) {
  }
  return 0;
}

}  // namespace tvl::fuzz
