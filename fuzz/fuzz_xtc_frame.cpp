// Fuzz target: any byte sequence given to the xtc frame reader must give
// whole frames or a clean refusal, never a read or write outside a buffer.
// Every frame it accepts is written again and must read back as the same
// atoms at the stored precision. The offset scan's frame size and the
// decoding from memory must agree with it: they accept exactly the frames it
// accepts, as the same values, ending where it ends.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/error.h"
#include "common/xdr/xdrfile.h"
#include "common/xdr/xtc.h"

namespace {

using tvl::xtc::Frame;
using tvl::xtc::ReadResult;

constexpr int max_atoms = 1 << 20;

float rounded(float x, float p) {
  float v = x * p;
  v = x >= 0.0f ? v + 0.5f : v - 0.5f;
  return static_cast<float>(static_cast<int>(v)) * (1.0f / p);
}

bool same_bits(float a, float b) { return std::memcmp(&a, &b, 4) == 0; }

void check_rewrite(const Frame& f) {
  if (!tvl::xtc::writable(f)) return;
  char* buf = nullptr;
  std::size_t len = 0;
  std::FILE* m = open_memstream(&buf, &len);
  if (!m) return;
  int wid = tvl::xdropen_stream(m, 'w');
  if (wid == 0) return;
  bool ok = tvl::xtc::write_frame(wid, f);
  int ret = 0;
  tvl::xdrfclose(wid, ret);
  if (!ok || ret != 1 || len == 0) __builtin_trap();

  std::FILE* in = fmemopen(buf, len, "r");
  int rid = tvl::xdropen_stream(in, 'r');
  Frame g;
  if (tvl::xtc::read_frame(rid, g, max_atoms) != ReadResult::ok) __builtin_trap();
  if (g.natoms != f.natoms || g.step != f.step) __builtin_trap();
  for (int i = 0; i < 3 * f.natoms; ++i) {
    float want = f.natoms <= 9 ? f.x[static_cast<std::size_t>(i)]
                               : rounded(f.x[static_cast<std::size_t>(i)], f.prec);
    if (!same_bits(g.x[static_cast<std::size_t>(i)], want)) __builtin_trap();
  }
  if (tvl::xtc::read_frame(rid, g, max_atoms) != ReadResult::end) __builtin_trap();
  tvl::xdrfclose(rid, ret);
  std::free(buf);
}

// The frame at `p` (avail bytes to the end of the input), which read_frame
// read with result r into fr, taking `used` bytes.
void check_in_memory(const std::uint8_t* p, std::size_t avail, ReadResult r, const Frame& fr, long used) {
  const long long n = tvl::xtc::frame_size(p, std::min(avail, tvl::xtc::frame_head_bytes), max_atoms);
  if (r == ReadResult::ok && (n != used)) __builtin_trap();
  if (n <= 0 || static_cast<std::size_t>(n) > avail) return;
  Frame g;
  const ReadResult m = tvl::xtc::decode_frame(p, static_cast<std::size_t>(n), g, max_atoms);
  if ((m == ReadResult::ok) != (r == ReadResult::ok)) __builtin_trap();
  if (m != ReadResult::ok) return;
  if (g.natoms != fr.natoms || g.step != fr.step || !same_bits(g.time, fr.time)) __builtin_trap();
  for (int i = 0; i < 3 * fr.natoms; ++i)
    if (!same_bits(g.x[static_cast<std::size_t>(i)], fr.x[static_cast<std::size_t>(i)])) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::FILE* f = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
  if (!f) return 0;
  int id = tvl::xdropen_stream(f, 'r');
  if (id == 0) return 0;
  Frame fr;
  for (int k = 0; k < 64; ++k) {
    const long at = std::ftell(f);
    ReadResult r = tvl::xtc::read_frame(id, fr, max_atoms);
    check_in_memory(data + at, size - static_cast<std::size_t>(at), r, fr, std::ftell(f) - at);
    if (r != ReadResult::ok) break;
    if (fr.x.size() < static_cast<std::size_t>(fr.natoms) * 3) __builtin_trap();
    check_rewrite(fr);
  }
  int ret = 0;
  tvl::xdrfclose(id, ret);
  return 0;
}
