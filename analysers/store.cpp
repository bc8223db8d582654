#include "analysers/store.h"

#include <algorithm>
#include <new>

namespace tvl::an {

VectorStore::VectorStore(int nseries, long long limit)
    : k_(nseries), stride_(3 * static_cast<std::size_t>(nseries) + 3), limit_(limit) {}

bool VectorStore::fits_one_more() const {
  return static_cast<long long>(frames_ + 1) * static_cast<long long>(stride_) <= limit_;
}

float* VectorStore::append() {
  const std::size_t need = (static_cast<std::size_t>(frames_) + 1) * stride_;
  if (need > capacity_) {
    // Geometric growth, but never past the limit: the store takes what the
    // data need rather than the whole limit up front. realloc (on Linux) moves the
    // pages of a large block instead of copying them, so growing never holds two
    // copies of the store; pages beyond the rows written are never touched.
    std::size_t cap = std::max(need, capacity_ * 2);
    cap = std::min(cap, static_cast<std::size_t>(limit_));
    cap = std::max(cap, need);
    void* grown = std::realloc(cbuff_.get(), cap * sizeof(float));
    if (!grown && cap > need) {  // without a bound, memory may end before the doubled size
      cap = need;
      grown = std::realloc(cbuff_.get(), cap * sizeof(float));
    }
    if (!grown) throw std::bad_alloc();
    static_cast<void>(cbuff_.release());
    cbuff_.reset(static_cast<float*>(grown));
    capacity_ = cap;
  }
  float* row = cbuff_.get() + (need - stride_);
  std::fill(row, row + stride_, 0.0f);
  ++frames_;
  return row;
}

}  // namespace tvl::an
