#pragma once
// The vector store `cbuff`: for every kept configuration one row of 3K + 3
// single-precision values (the K vectors of the series, then three values of
// the analyser's own). It grows with the data, never beyond its bound
// `buffsize` (no bound by default: as far as memory allows).
#include <cstddef>
#include <cstdlib>
#include <memory>

#include "analysers/correlate.h"

namespace tvl::an {

class VectorStore {
 public:
  // K vector series per configuration; `limit` values at most (buffsize).
  explicit VectorStore(int nseries, long long limit);
  int nseries() const { return k_; }
  std::size_t stride() const { return stride_; }
  int frames() const { return frames_; }
  // Room for one more configuration; false when it would take more than the
  // limit (nothing is changed then).
  bool fits_one_more() const;
  // Appends a configuration row (zeroed) and returns it for filling.
  // Call only after fits_one_more() returned true.
  float* append();
  const float* row(int f) const { return cbuff_.get() + static_cast<std::size_t>(f) * stride_; }
  SeriesData series() const { return {cbuff_.get(), stride_, k_}; }
  std::size_t capacity_values() const { return capacity_; }
  long long limit() const { return limit_; }

 private:
  struct Free {
    void operator()(float* p) const { std::free(p); }
  };
  int k_;
  std::size_t stride_;
  long long limit_;
  int frames_ = 0;
  std::unique_ptr<float, Free> cbuff_;
  std::size_t capacity_ = 0;  // values allocated
};

}  // namespace tvl::an
