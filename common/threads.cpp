#include "common/threads.h"

#include <algorithm>
#include <thread>

namespace tvl {

unsigned worker_threads(unsigned nthreads) {
  return nthreads > 0 ? nthreads : std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace tvl
