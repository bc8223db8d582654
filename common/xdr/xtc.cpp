#include "common/xdr/xtc.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "common/xdr/xtc_codec.h"

namespace tvl::xtc {

namespace {

// The items of one frame from its magic number on, from any XDR stream. file,
// when given, is the stream's C file: a failed item is then a read error when
// the file says so.
ReadResult read_items(XDR* xdrs, std::FILE* file, Frame& f, int max_atoms) {
  auto failed = [file] { return file && std::ferror(file) ? ReadResult::read_error : ReadResult::bad; };
  int head[3];  // magic, natoms, step
  if (!xdr_int(xdrs, &head[0])) return failed();
  if (head[0] != magic) return ReadResult::not_xtc;
  if (!xdr_int(xdrs, &head[1]) || !xdr_int(xdrs, &head[2])) return failed();
  float time = 0.0f;
  float box[9];
  if (!xdr_float(xdrs, &time)) return failed();
  for (float& v : box)
    if (!xdr_float(xdrs, &v)) return failed();
  int natoms = head[1];
  if (natoms < 0 || natoms > max_atoms) {
    f.natoms = natoms;  // lets the caller name the count it cannot hold
    return ReadResult::bad;
  }

  int n = 0;
  float prec = f.prec;
  codec::Sink sink;
  sink.grow = &f.x;
  switch (codec::read_block(xdrs, natoms, max_atoms, n, prec, sink)) {
    case codec::ReadStatus::ok:
      break;
    case codec::ReadStatus::mismatch:
      return ReadResult::bad;
    case codec::ReadStatus::no_count:
    case codec::ReadStatus::bad:
      return failed();
  }
  f.natoms = natoms;
  f.step = head[2];
  f.time = time;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) f.box[i][j] = box[3 * i + j];
  f.prec = prec;
  return ReadResult::ok;
}

std::int32_t word_at(const unsigned char* p) {
  return static_cast<std::int32_t>((std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                                   (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]});
}

}  // namespace

ReadResult read_frame(int xdrid, Frame& f, int max_atoms) {
  XDR* xdrs = xdr_handle(xdrid);
  std::FILE* file = xdr_file(xdrid);
  if (!xdrs || !file || xdr_mode(xdrid) == 'w') return ReadResult::bad;

  // No byte left at a frame boundary is the clean end of the file.
  int c = std::getc(file);
  if (c == EOF) return std::ferror(file) ? ReadResult::read_error : ReadResult::end;
  std::ungetc(c, file);
  return read_items(xdrs, file, f, max_atoms);
}

ReadResult decode_frame(const unsigned char* bytes, std::size_t size, Frame& f, int max_atoms) {
  if (size == 0) return ReadResult::end;
  if (size > std::numeric_limits<u_int>::max()) return ReadResult::bad;
  XDR xdrs;
  xdrmem_create(&xdrs, reinterpret_cast<char*>(const_cast<unsigned char*>(bytes)),
                static_cast<u_int>(size), XDR_DECODE);
  ReadResult r = read_items(&xdrs, nullptr, f, max_atoms);
  // The frame must fill its bytes exactly, as the next frame follows them.
  if (r == ReadResult::ok && xdr_getpos(&xdrs) != size) r = ReadResult::bad;
  xdr_destroy(&xdrs);
  return r;
}

long long frame_size(const unsigned char* head, std::size_t avail, int max_atoms) {
  if (avail < 56) return -1;
  const std::int32_t natoms = word_at(head + 4);
  if (word_at(head) != magic || natoms < 0 || natoms > max_atoms) return -1;
  if (word_at(head + 52) != natoms) return -1;  // the coordinate block's own count
  if (natoms <= 9) return 56 + 12LL * natoms;  // the coordinates stored as they are
  if (avail < frame_head_bytes) return -1;
  codec::Block b;
  const std::int32_t p = word_at(head + 56);
  std::memcpy(&b.precision, &p, 4);
  for (int a = 0; a < 3; ++a) {
    b.minint[a] = word_at(head + 60 + 4 * a);
    b.maxint[a] = word_at(head + 72 + 4 * a);
  }
  b.smallidx = word_at(head + 84);
  b.nbytes = word_at(head + 88);
  if (!codec::block_ok(b, natoms)) return -1;
  return frame_head_bytes + (static_cast<long long>(b.nbytes) + 3) / 4 * 4;
}

bool writable(const Frame& f) {
  if (f.natoms < 0 || f.x.size() < static_cast<std::size_t>(f.natoms) * 3) return false;
  return codec::prepare_block(f.x.data(), f.natoms, f.prec);
}

bool write_frame(int xdrid, const Frame& f) {
  XDR* xdrs = xdr_handle(xdrid);
  if (!xdrs || xdr_mode(xdrid) != 'w') return false;
  // Everything is checked and packed before the first item is written, so a
  // frame that cannot be written leaves the file as it was.
  if (!writable(f)) return false;
  int head[3] = {magic, f.natoms, f.step};
  bool ok = true;
  for (int& v : head) ok = ok && xdr_int(xdrs, &v);
  float time = f.time;
  ok = ok && xdr_float(xdrs, &time);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      float v = f.box[i][j];
      ok = ok && xdr_float(xdrs, &v);
    }
  return ok && codec::put_block(xdrs, f.x.data(), f.natoms);
}

}  // namespace tvl::xtc
