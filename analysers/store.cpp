#include "analysers/store.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <new>

namespace tvl::an {

VectorStore::VectorStore(int nseries, long long limit)
    : k_(nseries), stride_(3 * static_cast<std::size_t>(nseries) + 3), limit_(limit) {}

bool VectorStore::fits_one_more() const {
  return static_cast<long long>(frames_ + 1) * static_cast<long long>(stride_) <= limit_;
}

VectorStore::Mapping& VectorStore::Mapping::operator=(Mapping&& o) noexcept {
  if (this != &o) {
    if (p) ::munmap(p, bytes);
    p = o.p, bytes = o.bytes;
    o.p = nullptr, o.bytes = 0;
  }
  return *this;
}

VectorStore::Mapping::~Mapping() {
  if (p) ::munmap(p, bytes);
}

namespace {

constexpr std::size_t huge_page = std::size_t{2} << 20;

// A mapping of `bytes` (a multiple of huge_page), the old one moved into it
// when given; nullptr when the system has no room.
float* map(float* old, std::size_t old_bytes, std::size_t bytes) {
  void* p = old ? ::mremap(old, old_bytes, bytes, MREMAP_MAYMOVE)
                : ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  // The store is filled page by page as frames come in: in pages of 2 MB,
  // where the system offers them, that takes far fewer page faults. Only a
  // hint: nothing changes where it is not taken.
  ::madvise(p, bytes, MADV_HUGEPAGE);
  return static_cast<float*>(p);
}

}  // namespace

void VectorStore::populate(std::size_t from, std::size_t to) {
#ifdef MADV_POPULATE_WRITE
  // The pages of rows about to be written by several threads are faulted in
  // here, in one call: faults taken by the threads at once contend for the
  // process's memory map. Only a hint: where it fails the rows fault in as
  // they are written.
  const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const std::uintptr_t a = reinterpret_cast<std::uintptr_t>(cbuff_.p + from) / page * page;
  const std::uintptr_t b = reinterpret_cast<std::uintptr_t>(cbuff_.p + to);
  if (b > a) ::madvise(reinterpret_cast<void*>(a), b - a, MADV_POPULATE_WRITE);
#else
  static_cast<void>(from);
  static_cast<void>(to);
#endif
}

void VectorStore::grow(std::size_t need) {
  if (need <= capacity_) return;
  // Geometric growth, but never past the limit: the store takes what the
  // data need rather than the whole limit up front. Growing moves the
  // mapping's pages rather than copying them, so it never holds two copies
  // of the store; pages beyond the rows written are never touched.
  auto bytes_of = [](std::size_t values) { return (values * sizeof(float) + huge_page - 1) / huge_page * huge_page; };
  std::size_t cap = std::max(need, capacity_ * 2);
  cap = std::min(cap, static_cast<std::size_t>(limit_));
  cap = std::max(cap, need);
  float* grown = map(cbuff_.p, cbuff_.bytes, bytes_of(cap));
  if (!grown && cap > need) {  // without a bound, memory may end before the doubled size
    cap = need;
    grown = map(cbuff_.p, cbuff_.bytes, bytes_of(cap));
  }
  if (!grown) throw std::bad_alloc();
  cbuff_.p = grown;
  cbuff_.bytes = bytes_of(cap);
  capacity_ = cbuff_.bytes / sizeof(float);
  capacity_ = std::min(capacity_, static_cast<std::size_t>(limit_));  // the rest of the last page is not used
}

float* VectorStore::append() {
  float* row = commit();
  std::fill(row, row + stride_, 0.0f);
  return row;
}

float* VectorStore::commit() {
  const std::size_t need = (static_cast<std::size_t>(frames_) + 1) * stride_;
  grow(need);
  ++frames_;
  return cbuff_.p + (need - stride_);
}

long long VectorStore::reserve(long long rows) {
  const long long most = limit_ / static_cast<long long>(stride_);
  const long long want = std::min(rows, most);
  if (want > frames_) {
    const std::size_t values = static_cast<std::size_t>(want) * stride_;
    grow(values);
    populate(static_cast<std::size_t>(frames_) * stride_, std::min(values, capacity_));
  }
  return static_cast<long long>(capacity_ / stride_);
}

}  // namespace tvl::an
