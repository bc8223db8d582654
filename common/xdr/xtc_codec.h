#pragma once
// The coordinate codec of xtc frames below the stream level.
//
// A compressed coordinate block (n >= 10 atoms) holds the precision, the
// minimum and maximum integer coordinate per axis, the starting small index
// and a packed bit stream. Coordinates are scaled by the precision and
// rounded half away from zero to integers; each atom is then sent either at
// full precision (its offset from the minima, as one mixed-radix number or,
// when an axis range needs more than 24 bits, as three separate fields) or,
// when it is close to the atom before it, as a small difference inside a run
// of at most 8 atoms. The small index is at the same time the bit width of
// one packed triple of small differences and adapts along the frame.
//
// The fast routines here read and write the bit stream in 64-bit words (and
// numbers wider than 64 bits byte by byte); the word-buffer routines
// (sendbits ... receiveints) are the plain bit-buffer operations of the
// format, which encode() and decode() do not call: the tests build and check
// bit streams with them. sizeofint and sizeofints give the codec its widths.
#include <rpc/types.h>
#include <rpc/xdr.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tvl::xtc::codec {

inline constexpr int first_idx = 9;   // smallest usable small index
inline constexpr int last_idx = 72;   // largest usable small index
// magicints[k] (k >= 9) is the largest m with m^3 <= 2^k, except at 37, 57, 69.
extern const int magicints[73];

// ---- Word-buffer bit operations -------------------------------------------
// buf[0]: complete bytes written or consumed, buf[1]: pending bits (0..7),
// buf[2]: the pending bits; the packed bytes start at buf + 3. Bits are
// stored most significant first.
void sendbits(int* buf, int nbits, int value);
int receivebits(int* buf, int nbits);
int sizeofint(unsigned size);                         // bits of size (at most 32)
int sizeofints(int count, const unsigned* sizes);     // bits of the product of the sizes
// count values (value i below sizes[i]) as one mixed-radix number of nbits bits.
// A value not below its range ends the process ("major breakdown in sendints ...").
void sendints(int* buf, int count, int nbits, const unsigned* sizes, const unsigned* values);
void receiveints(int* buf, int count, int nbits, const unsigned* sizes, int* values);

// ---- Blocks ----------------------------------------------------------------
struct Block {
  float precision = 0.0f;
  int minint[3] = {};
  int maxint[3] = {};
  int smallidx = 0;
  int nbytes = 0;  // byte count of the packed bit stream
};

// Whether p can be the precision of a block: finite, above 0, and with a
// finite reciprocal (coordinates are decoded as integer times 1/p).
inline bool precision_ok(float p) { return std::isfinite(p) && p > 0.0f && std::isfinite(1.0f / p); }

// Largest byte count a block of n atoms may hold: (floor(3n x 1.2) - 3) x 4.
long long max_bytes(int n);

// Scales 3n coordinates to integers into ip and fills the minima and maxima.
// False (ip unusable) when the precision is not finite and positive, a value
// is not finite, a scaled value is beyond 2147483645 in magnitude or an axis
// range reaches 2^31.
bool scale(const float* x, int n, float precision, int* ip, Block& b);

// Bytes encode() may write for n atoms.
std::size_t encode_room(int n);
// Packs n >= 10 scaled atoms (swaps close pairs in ip) into bytes, which must
// hold encode_room(n); sets b.smallidx and b.nbytes. b.minint/maxint must be
// those of ip (scale() sets them).
void encode(int* ip, int n, Block& b, std::uint8_t* bytes);

// Whether the stored values of a block of n >= 10 atoms can be trusted
// before its bytes are read: finite positive precision, ordered axes whose
// range fits 32 bits, small index in 9..72, byte count within the buffer
// capacity and large enough for n atoms.
bool block_ok(const Block& b, int n);

// Zero bytes that must follow the packed bytes handed to decode().
inline constexpr std::size_t decode_pad = 256;
// Unpacks a checked block of n atoms: x receives 3n floats, ip 3n integers.
// False when the bit stream is corrupt (a step out of 9..72, a run beyond n
// atoms or longer than 8, a read past the byte count); the output is then
// partly written and must not be used.
bool decode(const Block& b, int n, const std::uint8_t* bytes, float* x);
bool decode_ints(const Block& b, int n, const std::uint8_t* bytes, int* ip);

// ---- Stream level -----------------------------------------------------------
enum class ReadStatus {
  ok,
  no_count,  // the atom count could not be read (end of file)
  mismatch,  // the block's count differs from the one expected
  bad,       // cut or corrupt block, or one that gives a coordinate that is not finite
};

// Where decoded coordinates go: a vector grown to 3n, or a fixed array with
// room for `room` atoms.
struct Sink {
  std::vector<float>* grow = nullptr;
  float* fixed = nullptr;
  int room = 0;
};

// Reads one coordinate block. expect >= 0: the count the block must have.
// n receives the block's count, precision the stored precision (compressed
// blocks only).
ReadStatus read_block(XDR* xdrs, int expect, int max_atoms, int& n, float& precision,
                      Sink sink);

// Checks and packs 3n coordinates into the thread's scratch; false when
// the coordinates cannot be written (see scale(); a non-finite value also for
// n <= 9). Nothing is written to any stream.
bool prepare_block(const float* x, int n, float precision);
// Writes the block prepared last for these coordinates. False on a write failure.
bool put_block(XDR* xdrs, const float* x, int n);

}  // namespace tvl::xtc::codec
