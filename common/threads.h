#pragma once
// The number of threads a program works with (its -nt option).

namespace tvl {

// The largest thread count a program accepts from its command line.
inline constexpr int max_threads = 256;

// The threads to use for nthreads: 0 means one per core (at least one).
unsigned worker_threads(unsigned nthreads);

}  // namespace tvl
