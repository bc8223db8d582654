#include "analysers/store.h"

#include <algorithm>

namespace tvl::an {

VectorStore::VectorStore(int nseries, long long limit)
    : k_(nseries), stride_(3 * static_cast<std::size_t>(nseries) + 3), limit_(limit) {}

bool VectorStore::fits_one_more() const {
  return static_cast<long long>(frames_ + 1) * static_cast<long long>(stride_) <= limit_;
}

float* VectorStore::append() {
  const std::size_t need = (static_cast<std::size_t>(frames_) + 1) * stride_;
  if (need > cbuff_.capacity()) {
    // Geometric growth, but never past the limit: the store takes what the
    // data need rather than the whole limit up front.
    std::size_t cap = std::max(need, cbuff_.capacity() * 2);
    cap = std::min(cap, static_cast<std::size_t>(limit_));
    cap = std::max(cap, need);
    cbuff_.reserve(cap);
  }
  cbuff_.resize(need, 0.0f);
  ++frames_;
  return cbuff_.data() + (need - stride_);
}

}  // namespace tvl::an
