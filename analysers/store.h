#pragma once
// The vector store `cbuff`: for every kept configuration one row of 3K + 3
// single-precision values (the K vectors of the series, then three values of
// the analyser's own). It grows with the data, never beyond its bound
// `buffsize` (no bound by default: as far as memory allows).
#include <cstddef>

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
  // Room for `rows` rows in all (at most the limit allows), its pages faulted
  // in up to the rows asked for: returns the rows held. Rows up to that number may then be written at
  // data() + (row - 1) * stride() from any thread, and are taken in by
  // commit() when their turn comes; the store does not move until it grows.
  long long reserve(long long rows);
  float* data() { return cbuff_.p; }
  // Appends the next row as already written in the room reserve() made and
  // returns it. Call only after fits_one_more() returned true.
  float* commit();
  const float* row(int f) const { return cbuff_.p + static_cast<std::size_t>(f) * stride_; }
  SeriesData series() const { return {cbuff_.p, stride_, k_}; }
  std::size_t capacity_values() const { return capacity_; }
  long long limit() const { return limit_; }

 private:
  // The store's memory: an anonymous mapping, grown in place or moved by the
  // system (its pages are not copied), released on destruction.
  struct Mapping {
    float* p = nullptr;
    std::size_t bytes = 0;
    Mapping() = default;
    Mapping(Mapping&& o) noexcept : p(o.p), bytes(o.bytes) { o.p = nullptr, o.bytes = 0; }
    Mapping& operator=(Mapping&& o) noexcept;
    ~Mapping();
  };
  int k_;
  std::size_t stride_;
  void grow(std::size_t need);  // capacity for `need` values at least
  void populate(std::size_t from, std::size_t to);  // faults in the pages of values from .. to

  long long limit_;
  int frames_ = 0;
  Mapping cbuff_;
  std::size_t capacity_ = 0;  // values that may be used
};

}  // namespace tvl::an
