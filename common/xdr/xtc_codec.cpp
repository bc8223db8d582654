#include "common/xdr/xtc_codec.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "common/error.h"
#include "common/xdr/xdrfile.h"

namespace tvl::xtc::codec {

const int magicints[73] = {
    0,       0,       0,       0,       0,       0,       0,       0,        // 0-7
    0,       8,       10,      12,      16,      20,      25,      32,       // 8-15
    40,      50,      64,      80,      101,     128,     161,     203,      // 16-23
    256,     322,     406,     512,     645,     812,     1024,    1290,     // 24-31
    1625,    2048,    2580,    3250,    4096,    5060,    6501,    8192,     // 32-39
    10321,   13003,   16384,   20642,   26007,   32768,   41285,   52015,    // 40-47
    65536,   82570,   104031,  131072,  165140,  208063,  262144,  330280,   // 48-55
    416127,  524287,  660561,  832255,  1048576, 1321122, 1664510, 2097152,  // 56-63
    2642245, 3329021, 4194304, 5284491, 6658042, 8388607, 10568983, 13316085,  // 64-71
    16777216};                                                                   // 72

namespace {

using u8 = std::uint8_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;
using u128 = unsigned __int128;

// The table with one more entry, 0, at 73: the encoder's window may reach one
// past the last index, where nothing can be coded.
int magic74(int k) { return k <= last_idx ? magicints[k] : 0; }

// ---- word buffer helpers ----
u8* bytes_of(int* buf) { return reinterpret_cast<u8*>(buf + 3); }

}  // namespace

void sendbits(int* buf, int nbits, int value) {
  u8* cbuf = bytes_of(buf);
  u32 c = static_cast<u32>(buf[0]);
  u32 b = static_cast<u32>(buf[1]);
  u32 a = static_cast<u32>(buf[2]);
  while (nbits >= 8) {
    int sh = std::min(nbits - 8, 31);
    a = (a << 8) | static_cast<u32>(value >> sh);
    cbuf[c++] = static_cast<u8>((a >> b) & 0xFF);
    nbits -= 8;
  }
  if (nbits > 0) {
    a = (a << nbits) | static_cast<u32>(value);
    b += static_cast<u32>(nbits);
    if (b >= 8) {
      b -= 8;
      cbuf[c++] = static_cast<u8>(a >> b);
    }
  }
  buf[0] = static_cast<int>(c);
  buf[1] = static_cast<int>(b);
  buf[2] = static_cast<int>(a);
  if (b > 0) cbuf[c] = static_cast<u8>(a << (8 - b));
}

int receivebits(int* buf, int nbits) {
  const u8* cbuf = bytes_of(buf);
  u32 mask = nbits >= 32 ? 0xFFFFFFFFu : (1u << nbits) - 1u;
  u32 c = static_cast<u32>(buf[0]);
  u32 b = static_cast<u32>(buf[1]);
  u32 a = static_cast<u32>(buf[2]);
  u32 result = 0;
  while (nbits >= 8) {
    a = (a << 8) | cbuf[c++];
    result |= (a >> b) << (nbits - 8);
    nbits -= 8;
  }
  if (nbits > 0) {
    if (static_cast<int>(b) < nbits) {
      b += 8;
      a = (a << 8) | cbuf[c++];
    }
    b -= static_cast<u32>(nbits);
    result |= (a >> b) & ((1u << nbits) - 1u);
  }
  buf[0] = static_cast<int>(c);
  buf[1] = static_cast<int>(b);
  buf[2] = static_cast<int>(a);
  return static_cast<int>(result & mask);
}

int sizeofint(unsigned size) {
  u64 num = 1;
  int bits = 0;
  while (size >= num && bits < 32) {
    ++bits;
    num <<= 1;
  }
  return bits;
}

// bytes (little-endian base-256 number of nb digits) = bytes * size + add.
void mul_add_bytes(u32* bytes, int& nb, u32 size, u64 add) {
  u64 tmp = add;
  for (int j = 0; j < nb; ++j) {
    tmp = static_cast<u64>(bytes[j]) * size + tmp;
    bytes[j] = static_cast<u32>(tmp & 0xFF);
    tmp >>= 8;
  }
  while (tmp != 0 && nb < 32) {
    bytes[nb++] = static_cast<u32>(tmp & 0xFF);
    tmp >>= 8;
  }
}

int sizeofints(int count, const unsigned* sizes) {
  u32 bytes[32];
  int nb = 1;
  bytes[0] = 1;
  for (int i = 0; i < count; ++i) {
    mul_add_bytes(bytes, nb, sizes[i], 0);
  }
  u32 num = 1;
  u32 t = bytes[nb - 1];
  int bits = 0;
  while (t >= num) {
    ++bits;
    num *= 2;
  }
  return bits + (nb - 1) * 8;
}

void sendints(int* buf, int count, int nbits, const unsigned* sizes, const unsigned* values) {
  u32 bytes[32];
  int nb = 0;
  u32 v = values[0];
  do {
    bytes[nb++] = v & 0xFF;
    v >>= 8;
  } while (v != 0);
  for (int i = 1; i < count; ++i) {
    if (values[i] >= sizes[i]) {
      char msg[128];
      std::snprintf(msg, sizeof msg, "major breakdown in sendints num %d doesn't match size %d",
                    static_cast<int>(values[i]), static_cast<int>(sizes[i]));
      stop({msg}, exit_error, Stream::err);
    }
    mul_add_bytes(bytes, nb, sizes[i], values[i]);
  }
  if (nbits >= nb * 8) {
    for (int j = 0; j < nb; ++j) sendbits(buf, 8, static_cast<int>(bytes[j]));
    sendbits(buf, nbits - nb * 8, 0);
  } else {
    for (int j = 0; j < nb - 1; ++j) sendbits(buf, 8, static_cast<int>(bytes[j]));
    sendbits(buf, nbits - (nb - 1) * 8, static_cast<int>(bytes[nb - 1]));
  }
}

void receiveints(int* buf, int count, int nbits, const unsigned* sizes, int* values) {
  u32 bytes[32] = {};
  int nb = 0;
  while (nbits > 8 && nb < 31) {
    bytes[nb++] = static_cast<u32>(receivebits(buf, 8));
    nbits -= 8;
  }
  if (nbits > 0) bytes[nb++] = static_cast<u32>(receivebits(buf, std::min(nbits, 8)));
  for (int i = count - 1; i > 0; --i) {
    u64 num = 0;
    for (int j = nb - 1; j >= 0; --j) {
      num = (num << 8) | bytes[j];
      u64 p = sizes[i] ? num / sizes[i] : 0;
      bytes[j] = static_cast<u32>(p);
      num -= p * sizes[i];
    }
    values[i] = static_cast<int>(static_cast<u32>(num));
  }
  values[0] = static_cast<int>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (bytes[3] << 24));
}

// ---------------------------------------------------------------------------
// Fast bit stream: reading and writing in 64-bit words.
namespace {

inline u64 load_be64(const u8* p) {
  u64 v;
  std::memcpy(&v, p, 8);
  return __builtin_bswap64(v);
}

inline void store_be32(u8* p, u32 v) {
  v = __builtin_bswap32(v);
  std::memcpy(p, &v, 4);
}

struct BitReader {
  const u8* p;
  u64 pos = 0;  // bits consumed
  // The next n bits (1 <= n <= 57) as an unsigned number.
  inline u64 get(int n) {
    u64 w = load_be64(p + (pos >> 3)) << (pos & 7);
    pos += static_cast<u64>(n);
    return w >> (64 - n);
  }
  inline u64 get64(int n) {  // 1 <= n <= 64
    if (n <= 57) return get(n);
    u64 hi = get(n - 32);
    return (hi << 32) | get(32);
  }
};

struct BitWriter {
  u8* p;
  std::size_t n = 0;  // bytes stored
  u64 acc = 0;
  int bits = 0;       // pending bits in acc (below 32)
  // Appends the low nb bits of v (0 <= nb <= 32; v below 2^nb).
  inline void put(u32 v, int nb) {
    acc = (acc << nb) | v;
    bits += nb;
    if (bits >= 32) {
      bits -= 32;
      store_be32(p + n, static_cast<u32>(acc >> bits));
      n += 4;
    }
  }
  inline void put64(u64 v, int nb) {  // nb <= 64
    if (nb > 32) {
      put(static_cast<u32>(v >> 32), nb - 32);
      put(static_cast<u32>(v), 32);
    } else {
      put(static_cast<u32>(v), nb);
    }
  }
  // Stores the pending bits, the last partial byte padded with zeros; returns
  // the byte count.
  std::size_t finish() {
    while (bits >= 8) {
      bits -= 8;
      p[n++] = static_cast<u8>(acc >> bits);
    }
    if (bits > 0) {
      p[n++] = static_cast<u8>(acc << (8 - bits));
      bits = 0;
    }
    return n;
  }
};

// A mixed-radix number of nbits bits is stored as its bytes, lowest first,
// each with 8 bits, the last one with the remaining 1..8 bits.
inline u64 unpack_number(BitReader& r, int nbits) {  // nbits <= 64
  u64 t = r.get64(nbits);
  int k = (nbits - 1) >> 3;  // bytes before the last
  if (k == 0) return t;
  int last = nbits - 8 * k;
  u64 lo = __builtin_bswap64((t >> last) << (64 - 8 * k));
  return lo | ((t & ((u64{1} << last) - 1)) << (8 * k));
}

inline u128 unpack_number_wide(BitReader& r, int nbits) {  // any nbits up to 72
  u128 num = 0;
  int shift = 0;
  while (nbits > 8) {
    num |= static_cast<u128>(r.get(8)) << shift;
    shift += 8;
    nbits -= 8;
  }
  if (nbits > 0) num |= static_cast<u128>(r.get(nbits)) << shift;
  return num;
}

inline void pack_number(BitWriter& w, u64 num, int nbits) {  // nbits <= 64
  int k = (nbits - 1) >> 3;
  if (k == 0) {
    w.put(static_cast<u32>(num), nbits);
    return;
  }
  int last = nbits - 8 * k;
  u64 hi = __builtin_bswap64(num) >> (64 - 8 * k);
  w.put64((hi << last) | (num >> (8 * k)), nbits);
}

inline void pack_number_wide(BitWriter& w, u128 num, int nbits) {
  while (nbits > 8) {
    w.put(static_cast<u32>(num & 0xFF), 8);
    num >>= 8;
    nbits -= 8;
  }
  if (nbits > 0) w.put(static_cast<u32>(num), nbits);
}

// Division by a range through a double reciprocal: exact for num < 2^53.
struct Div {
  u64 m = 1;
  double inv = 1.0;
  void set(u32 d) {
    m = d ? d : 1;
    inv = 1.0 / static_cast<double>(m);
  }
  // Returns num / m; r receives num % m.
  inline u64 divmod(u64 num, u64& r) const {
    u64 q = static_cast<u64>(static_cast<double>(static_cast<std::int64_t>(num)) * inv);
    std::int64_t rem = static_cast<std::int64_t>(num) - static_cast<std::int64_t>(q * m);
    if (rem < 0) {
      --q;
      rem += static_cast<std::int64_t>(m);
    } else if (rem >= static_cast<std::int64_t>(m)) {
      ++q;
      rem -= static_cast<std::int64_t>(m);
    }
    r = static_cast<u64>(rem);
    return q;
  }
};

// Splits a mixed-radix number into its three digits of ranges (size0,)
// d1.m, d2.m by plain division.
template <class N>
inline void split3(N num, const Div& d1, const Div& d2, u32 v[3]) {
  v[2] = static_cast<u32>(num % d2.m);
  num /= d2.m;
  v[1] = static_cast<u32>(num % d1.m);
  v[0] = static_cast<u32>(num / d1.m);
}

// Reads three values packed as one number of nbits bits with ranges
// (size0,) d1.m, d2.m.
inline void unpack3(BitReader& r, int nbits, const Div& d1, const Div& d2, u32 v[3]) {
  if (nbits <= 52) {
    u64 num = unpack_number(r, nbits);
    u64 rem;
    u64 q = d2.divmod(num, rem);
    v[2] = static_cast<u32>(rem);
    q = d1.divmod(q, rem);
    v[1] = static_cast<u32>(rem);
    v[0] = static_cast<u32>(q);
  } else if (nbits <= 64) {
    split3(unpack_number(r, nbits), d1, d2, v);
  } else {
    split3(unpack_number_wide(r, nbits), d1, d2, v);
  }
}

inline void pack3(BitWriter& w, int nbits, u64 m1, u64 m2, const u32 v[3]) {
  if (nbits <= 64) {
    u64 num = (static_cast<u64>(v[0]) * m1 + v[1]) * m2 + v[2];
    pack_number(w, num, nbits);
  } else {
    u128 num = (static_cast<u128>(v[0]) * m1 + v[1]) * m2 + v[2];
    pack_number_wide(w, num, nbits);
  }
}

// Divisions by magicints[s], the range of one run triple at small index s.
struct RunDivs {
  Div d[last_idx + 1];
  RunDivs() {
    for (int k = first_idx; k <= last_idx; ++k) d[k].set(static_cast<u32>(magicints[k]));
  }
};
const RunDivs run_divs;

inline u32 abs_diff(int a, int b) {
  std::int64_t d = static_cast<std::int64_t>(a) - b;
  return static_cast<u32>(d < 0 ? -d : d);
}

// All three axes of a and b differ by less than lim.
inline bool close3(const int* a, const int* b, int lim) {
  if (lim <= 0) return false;
  u32 l = static_cast<u32>(lim);
  return abs_diff(a[0], b[0]) < l && abs_diff(a[1], b[1]) < l && abs_diff(a[2], b[2]) < l;
}

struct FloatOut {
  float* p;
  float inv;
  inline void put(const u32 v[3]) {
    p[0] = static_cast<float>(static_cast<int>(v[0])) * inv;
    p[1] = static_cast<float>(static_cast<int>(v[1])) * inv;
    p[2] = static_cast<float>(static_cast<int>(v[2])) * inv;
    p += 3;
  }
};

struct IntOut {
  int* p;
  inline void put(const u32 v[3]) {
    p[0] = static_cast<int>(v[0]);
    p[1] = static_cast<int>(v[1]);
    p[2] = static_cast<int>(v[2]);
    p += 3;
  }
};

// How a block codes its full-precision atoms: the per-axis integer ranges
// (wrapping modulo 2^32) and, in the large-range layout, one field of w[a]
// bits per axis, else one mixed-radix number of wall bits.
struct Ranges {
  u32 minint[3], sizes[3];
  bool large;
  int w[3];
  int wall;
};

Ranges ranges_of(const Block& b) {
  Ranges r{};
  for (int a = 0; a < 3; ++a) {
    r.minint[a] = static_cast<u32>(b.minint[a]);
    r.sizes[a] = static_cast<u32>(b.maxint[a]) - r.minint[a] + 1u;
  }
  r.large = (r.sizes[0] | r.sizes[1] | r.sizes[2]) > 0xFFFFFFu;
  if (r.large) {
    for (int a = 0; a < 3; ++a) r.w[a] = sizeofint(r.sizes[a]);
  } else {
    r.wall = sizeofints(3, r.sizes);
  }
  return r;
}

template <class Out>
bool decode_any(const Block& b, int n, const u8* bytes, Out out) {
  const Ranges rg = ranges_of(b);
  const u32* minint = rg.minint;
  const int* w = rg.w;
  Div d1, d2;
  if (!rg.large) {
    d1.set(rg.sizes[1]);
    d2.set(rg.sizes[2]);
  }
  const u64 limit = static_cast<u64>(b.nbytes) * 8;
  BitReader r{bytes};
  int s = b.smallidx;
  int run = 0;
  int i = 0;
  while (i < n) {
    if (r.pos > limit) return false;
    u32 cur[3];
    if (rg.large) {
      cur[0] = static_cast<u32>(r.get(w[0])) + minint[0];
      cur[1] = static_cast<u32>(r.get(w[1])) + minint[1];
      cur[2] = static_cast<u32>(r.get(w[2])) + minint[2];
    } else {
      unpack3(r, rg.wall, d1, d2, cur);
      cur[0] += minint[0];
      cur[1] += minint[1];
      cur[2] += minint[2];
    }
    ++i;
    int d = 0;
    if (r.get(1)) {
      int code = static_cast<int>(r.get(5));
      int m3 = code % 3;
      d = m3 - 1;
      run = code - m3;
      if (run > 24) return false;
    }
    if (run > 0) {
      if (run / 3 > n - i) return false;
      const Div& dr = run_divs.d[s];
      const u32 small = static_cast<u32>(magicints[s] / 2);
      u32 prev[3] = {cur[0], cur[1], cur[2]};
      for (int k = 0; k < run; k += 3) {
        u32 t[3];
        unpack3(r, s, dr, dr, t);
        t[0] += prev[0] - small;
        t[1] += prev[1] - small;
        t[2] += prev[2] - small;
        ++i;
        out.put(t);
        // The first atom of a run was exchanged with the full-precision one,
        // which follows it.
        if (k == 0) out.put(prev);
        prev[0] = t[0];
        prev[1] = t[1];
        prev[2] = t[2];
      }
    } else {
      out.put(cur);
    }
    s += d;
    if (s < first_idx || s > last_idx) return false;
  }
  return r.pos <= limit;
}

}  // namespace

long long max_bytes(int n) {
  long long words = static_cast<long long>(std::floor(3.0 * static_cast<double>(n) * 1.2));
  return (words - 3) * 4;
}

bool block_ok(const Block& b, int n) {
  if (n < 10) return false;
  if (!precision_ok(b.precision)) return false;
  for (int a = 0; a < 3; ++a) {
    if (b.maxint[a] < b.minint[a]) return false;
    long long range = static_cast<long long>(b.maxint[a]) - b.minint[a];
    if (range >= 0xFFFFFFFFLL) return false;  // the range size must fit 32 bits
  }
  if (b.smallidx < first_idx || b.smallidx > last_idx) return false;
  if (b.nbytes < 0 || b.nbytes > max_bytes(n)) return false;
  // Every atom takes at least two bits: a full-precision field and a flag.
  if (static_cast<long long>(n) > 4LL * b.nbytes) return false;
  return true;
}

bool decode(const Block& b, int n, const u8* bytes, float* x) {
  const float inv = 1.0f / b.precision;
  if (!decode_any(b, n, bytes, FloatOut{x, inv})) return false;
  // With a tiny precision a large integer times 1/precision leaves the float
  // range: such a frame is damaged, never a source of infinite coordinates.
  if (std::isfinite(2147483648.0f * inv)) return true;
  return std::all_of(x, x + 3 * static_cast<std::size_t>(n), [](float v) { return std::isfinite(v); });
}

bool decode_ints(const Block& b, int n, const u8* bytes, int* ip) {
  return decode_any(b, n, bytes, IntOut{ip});
}

bool scale(const float* x, int n, float precision, int* ip, Block& b) {
  if (!precision_ok(precision) || n < 0) return false;
  int mn[3] = {INT_MAX, INT_MAX, INT_MAX};
  int mx[3] = {INT_MIN, INT_MIN, INT_MIN};
  bool ok = true;
  for (int i = 0; i < n; ++i) {
    for (int a = 0; a < 3; ++a) {
      float xv = x[3 * i + a];
      float v = xv * precision;
      v = xv >= 0.0f ? v + 0.5f : v - 0.5f;
      if (!(std::fabs(static_cast<double>(v)) <= 2147483645.0)) {
        ok = false;
        v = 0.0f;
      }
      int iv = static_cast<int>(v);
      ip[3 * i + a] = iv;
      mn[a] = std::min(mn[a], iv);
      mx[a] = std::max(mx[a], iv);
    }
  }
  if (!ok) return false;
  for (int a = 0; a < 3; ++a) {
    b.minint[a] = mn[a];
    b.maxint[a] = mx[a];
    if (n > 0 && static_cast<float>(mx[a]) - static_cast<float>(mn[a]) >= 2147483648.0f)
      return false;
  }
  b.precision = precision;
  return true;
}

std::size_t encode_room(int n) {
  // A full-precision atom takes at most 3 x 32 bits and a 6-bit code, an atom
  // of a run at most 72 bits.
  return static_cast<std::size_t>(n) * 13 + 64;
}

void encode(int* ip, int n, Block& b, u8* bytes) {
  const Ranges rg = ranges_of(b);
  const u32* minint = rg.minint;
  const int* w = rg.w;

  // Smallest step between consecutive atoms, in wrapping 32-bit arithmetic.
  int mindiff = INT_MAX;
  for (int i = 1; i < n; ++i) {
    const int* c = ip + 3 * i;
    u32 dsum = abs_diff(c[0], c[-3]) + abs_diff(c[1], c[-2]) + abs_diff(c[2], c[-1]);
    mindiff = std::min(mindiff, static_cast<int>(dsum));
  }
  int s = first_idx;
  while (s <= last_idx && magicints[s] < mindiff) ++s;
  if (s > last_idx) s = last_idx;  // no triple can be coded above the table
  b.smallidx = s;

  const int upper = std::min(last_idx + 1, s + 8);
  const int lower = upper - 8;
  int smaller = magic74(std::max(first_idx, s - 1)) / 2;
  int small = magic74(s) / 2;
  const int larger = magic74(upper) / 2;

  BitWriter wr{bytes};
  int prevrun = -1;
  int i = 0;
  int prev[3] = {0, 0, 0};
  u32 runv[24];
  while (i < n) {
    int* cur = ip + 3 * i;
    int d;
    if (s < upper && i >= 1 && close3(cur, prev, larger)) {
      d = 1;
    } else if (s > lower) {
      d = -1;
    } else {
      d = 0;
    }
    bool runflag = false;
    if (i + 1 < n && close3(cur, cur + 3, small)) {
      std::swap(cur[0], cur[3]);
      std::swap(cur[1], cur[4]);
      std::swap(cur[2], cur[5]);
      runflag = true;
    }
    u32 v[3] = {static_cast<u32>(cur[0]) - minint[0], static_cast<u32>(cur[1]) - minint[1],
                static_cast<u32>(cur[2]) - minint[2]};
    if (rg.large) {
      wr.put(v[0], w[0]);
      wr.put(v[1], w[1]);
      wr.put(v[2], w[2]);
    } else {
      pack3(wr, rg.wall, rg.sizes[1], rg.sizes[2], v);
    }
    prev[0] = cur[0];
    prev[1] = cur[1];
    prev[2] = cur[2];
    ++i;
    int run = 0;
    if (!runflag && d == -1) d = 0;
    while (runflag && run < 24) {
      cur = ip + 3 * i;
      u32 dx = static_cast<u32>(cur[0]) - static_cast<u32>(prev[0]);
      u32 dy = static_cast<u32>(cur[1]) - static_cast<u32>(prev[1]);
      u32 dz = static_cast<u32>(cur[2]) - static_cast<u32>(prev[2]);
      if (d == -1) {
        u32 sq = dx * dx + dy * dy + dz * dz;
        u32 lim = static_cast<u32>(smaller) * static_cast<u32>(smaller);
        if (static_cast<int>(sq) >= static_cast<int>(lim)) d = 0;
      }
      runv[run] = dx + static_cast<u32>(small);
      runv[run + 1] = dy + static_cast<u32>(small);
      runv[run + 2] = dz + static_cast<u32>(small);
      run += 3;
      prev[0] = cur[0];
      prev[1] = cur[1];
      prev[2] = cur[2];
      ++i;
      runflag = i < n && close3(ip + 3 * i, prev, small);
    }
    if (run != prevrun || d != 0) {
      prevrun = run;
      wr.put(1, 1);
      wr.put(static_cast<u32>(run + d + 1), 5);
    } else {
      wr.put(0, 1);
    }
    const u64 m = static_cast<u64>(magic74(s));
    for (int k = 0; k < run; k += 3) pack3(wr, s, m, m, runv + k);
    if (d != 0) {
      s += d;
      if (d < 0) {
        small = smaller;
        smaller = magic74(s - 1) / 2;
      } else {
        smaller = small;
        small = magic74(s) / 2;
      }
    }
  }
  b.nbytes = static_cast<int>(wr.finish());
}

// ---------------------------------------------------------------------------
// Stream level.
namespace {

// Codec scratch, one per thread (frames may be decoded on several threads at
// once), shared by all streams of a thread and grown only: the integer
// coordinates and the packed bytes of the block being written or read.
struct Scratch {
  std::vector<int> ip;
  std::vector<u8> buf;
  int oldsize = 0;
  Block block;  // the block prepared last
};
thread_local Scratch scratch;

// Grows the byte scratch; false when the memory cannot be had.
bool grow_bytes(std::size_t need) {
  if (scratch.buf.size() >= need) return true;
  try {
    scratch.buf.resize(need);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// The stored values of a compressed block, before its bytes: precision,
// minima, maxima, small index and byte count. The XDR item routines work in
// the stream's direction, so this one transfer writes and reads them.
bool xdr_block_head(XDR* xdrs, Block& b) {
  bool ok = xdr_float(xdrs, &b.precision);
  for (int a = 0; a < 3 && ok; ++a) ok = xdr_int(xdrs, &b.minint[a]);
  for (int a = 0; a < 3 && ok; ++a) ok = xdr_int(xdrs, &b.maxint[a]);
  return ok && xdr_int(xdrs, &b.smallidx) && xdr_int(xdrs, &b.nbytes);
}

bool read_floats(XDR* xdrs, float* x, int count) {
  for (int k = 0; k < count; ++k)
    if (!xdr_float(xdrs, &x[k])) return false;
  return true;
}

// Reads nbytes opaque bytes into the scratch (followed by decode_pad zero
// bytes), growing it only as the data actually arrives.
bool read_bytes(XDR* xdrs, int nbytes) {
  constexpr int chunk = 1 << 16;  // a multiple of 4: no padding between chunks
  int got = 0;
  while (got < nbytes) {
    int part = std::min(chunk, nbytes - got);
    if (!grow_bytes(static_cast<std::size_t>(got) + static_cast<std::size_t>(part) + decode_pad))
      return false;
    if (!xdr_opaque(xdrs, reinterpret_cast<char*>(scratch.buf.data() + got),
                    static_cast<u_int>(part)))
      return false;
    got += part;
  }
  if (!grow_bytes(static_cast<std::size_t>(nbytes) + decode_pad)) return false;
  std::memset(scratch.buf.data() + nbytes, 0, decode_pad);
  return true;
}

float* room_for(Sink& sink, int n) {
  std::size_t need = static_cast<std::size_t>(n) * 3;
  if (sink.grow) {
    try {
      if (sink.grow->size() < need) sink.grow->resize(need);
    } catch (const std::bad_alloc&) {
      return nullptr;  // a count beyond what memory holds: the frame is not used
    }
    return sink.grow->data();
  }
  if (n > sink.room) return nullptr;
  return sink.fixed;
}

}  // namespace

ReadStatus read_block(XDR* xdrs, int expect, int max_atoms, int& n, float& precision,
                      Sink sink) {
  int m = 0;
  if (!xdr_int(xdrs, &m)) return ReadStatus::no_count;
  n = m;
  if (expect >= 0 && m != expect) return ReadStatus::mismatch;
  if (m < 0 || m > max_atoms) return ReadStatus::bad;
  if (m <= 9) {
    float tmp[27];
    if (!read_floats(xdrs, tmp, 3 * m)) return ReadStatus::bad;
    // Stored as they are, the floats may be NaN or infinite: such a frame is
    // damaged, as a compressed one that would decode to such a value is.
    if (!std::all_of(tmp, tmp + 3 * m, [](float v) { return std::isfinite(v); })) return ReadStatus::bad;
    float* x = room_for(sink, m);
    if (!x && m > 0) return ReadStatus::bad;
    std::copy(tmp, tmp + 3 * m, x);
    return ReadStatus::ok;
  }
  Block b;
  if (!xdr_block_head(xdrs, b) || !block_ok(b, m)) return ReadStatus::bad;
  if (!read_bytes(xdrs, b.nbytes)) return ReadStatus::bad;
  float* x = room_for(sink, m);
  if (!x) return ReadStatus::bad;
  if (!decode(b, m, scratch.buf.data(), x)) return ReadStatus::bad;
  precision = b.precision;
  return ReadStatus::ok;
}

bool prepare_block(const float* x, int n, float precision) {
  if (n < 0) return false;
  if (n <= 9) {
    for (int k = 0; k < 3 * n; ++k)
      if (!std::isfinite(x[k])) return false;
    return true;
  }
  if (n > scratch.oldsize) {
    try {
      scratch.ip.resize(static_cast<std::size_t>(n) * 3);
    } catch (const std::bad_alloc&) {
      stop({"malloc failed"}, exit_error, Stream::err);
    }
    scratch.oldsize = n;
  }
  if (!grow_bytes(encode_room(n))) stop({"malloc failed"}, exit_error, Stream::err);
  Block& b = scratch.block;
  if (!scale(x, n, precision, scratch.ip.data(), b)) return false;
  encode(scratch.ip.data(), n, b, scratch.buf.data());
  return true;
}

bool put_block(XDR* xdrs, const float* x, int n) {
  int nn = n;
  if (!xdr_int(xdrs, &nn)) return false;
  if (n <= 9) {
    for (int k = 0; k < 3 * n; ++k) {
      float v = x[k];
      if (!xdr_float(xdrs, &v)) return false;
    }
    return true;
  }
  Block& b = scratch.block;  // prepare_block stored the precision in it
  return xdr_block_head(xdrs, b) &&
         xdr_opaque(xdrs, reinterpret_cast<char*>(scratch.buf.data()),
                    static_cast<u_int>(b.nbytes));
}

}  // namespace tvl::xtc::codec

namespace tvl {

int xdr3dfcoord(XDR* xdrs, float* fp, int* size, float* precision) {
  int id = xdr_id_of(xdrs);
  if (id == 0) stop({"xdr error. no open xdr stream"}, exit_error, Stream::err);
  namespace c = xtc::codec;
  if (xdr_mode(id) == 'w') {
    if (!c::prepare_block(fp, *size, *precision)) return 0;
    return c::put_block(xdrs, fp, *size) ? 1 : 0;
  }
  int n = 0;
  c::Sink sink;
  sink.fixed = fp;
  sink.room = *size;
  c::ReadStatus st = c::read_block(xdrs, *size, *size, n, *precision, sink);
  if (st == c::ReadStatus::mismatch) {
    std::fflush(stdout);
    std::fprintf(stderr, "wrong number of coordinates in xdr3dfcoor; %d arg vs %d in file", *size,
                 n);
    return 0;
  }
  return st == c::ReadStatus::ok ? 1 : 0;
}

}  // namespace tvl
