#include "common/xdr/xtc.h"

#include <cmath>
#include <cstdio>

#include "common/xdr/xtc_codec.h"

namespace tvl::xtc {

namespace {

// A failed item is a read error when the stream says so, else a cut frame.
ReadResult failed(std::FILE* f) { return std::ferror(f) ? ReadResult::read_error : ReadResult::bad; }

}  // namespace

ReadResult read_frame(int xdrid, Frame& f, int max_atoms) {
  XDR* xdrs = xdr_handle(xdrid);
  std::FILE* file = xdr_file(xdrid);
  if (!xdrs || !file || xdr_mode(xdrid) == 'w') return ReadResult::bad;

  // No byte left at a frame boundary is the clean end of the file.
  int c = std::getc(file);
  if (c == EOF) return std::ferror(file) ? ReadResult::read_error : ReadResult::end;
  std::ungetc(c, file);

  int head[3];  // magic, natoms, step
  if (!xdr_int(xdrs, &head[0])) return failed(file);
  if (head[0] != magic) return ReadResult::not_xtc;
  if (!xdr_int(xdrs, &head[1]) || !xdr_int(xdrs, &head[2])) return failed(file);
  float time = 0.0f;
  float box[9];
  if (!xdr_float(xdrs, &time)) return failed(file);
  for (float& v : box)
    if (!xdr_float(xdrs, &v)) return failed(file);
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
      return failed(file);
  }
  f.natoms = natoms;
  f.step = head[2];
  f.time = time;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) f.box[i][j] = box[3 * i + j];
  f.prec = prec;
  return ReadResult::ok;
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
