#pragma once
// One xtc frame (magic, natoms, step, time, box, coordinate block) read from
// or written to an open XDR stream of the file table (see xdrfile.h).
#include <cstddef>
#include <string>
#include <vector>

#include "common/text/fortran.h"

#include "common/xdr/xdrfile.h"

namespace tvl::xtc {

inline constexpr int magic = 1995;

struct Frame {
  int natoms = 0;
  int step = 0;
  float time = 0.0f;
  float box[3][3] = {};     // row i is box vector i
  float prec = 1000.0f;     // precision: written from here; reading a compressed
                            // frame (natoms >= 10) stores the frame's precision
  std::vector<float> x;     // 3*natoms values, atom after atom x, y, z
};

enum class ReadResult {
  ok,       // a whole frame was decoded
  end,      // clean end of file at a frame boundary (no byte left)
  bad,      // cut or corrupt frame: nothing of it may be used
  not_xtc,  // the magic number is not 1995 (on a first frame: "not an xtc file")
  read_error,  // the file could not be read (an I/O error, not an end of file)
};

// Reads the next frame from stream xdrid. The frame's vectors are reused and
// only grown. natoms above max_atoms, a header atom count that differs from
// the coordinate block's, and any stored value the decoder cannot trust are
// reported as bad; nothing of a bad frame may be used, except f.natoms after a
// count outside 0..max_atoms: it then holds that count, for the message.
ReadResult read_frame(int xdrid, Frame& f, int max_atoms = 1 << 28);

// Decodes one frame held in memory: the `size` bytes from its magic number to
// its end, as the offset scan (common/traj/frame_offsets.h) finds them. The
// same reading as read_frame, with the same results for the same bytes; bytes
// left over after the frame make it bad. Uses no shared state: threads may
// decode frames at once, each into its own Frame.
ReadResult decode_frame(const unsigned char* bytes, std::size_t size, Frame& f,
                        int max_atoms = 1 << 28);

// Bytes from a frame's start that frame_size needs to see: the header, the
// coordinate count and the stored values of a compressed block. A frame of
// at most 9 atoms needs only the first 56 of them.
inline constexpr std::size_t frame_head_bytes = 92;

// The byte size of the frame whose first `avail` bytes are at `head`, found
// without decoding it; -1 when those bytes already show a frame that read_frame
// would not deliver (magic number, an atom count outside 0..max_atoms or not
// that of the coordinate block, stored block values the decoder rejects) or
// when fewer bytes than needed are given.
long long frame_size(const unsigned char* head, std::size_t avail, int max_atoms = 1 << 28);

// The message for a file whose first frame does not begin with the magic
// number 1995, so every reader words it alike: "<name>" is not an xtc file ...
inline std::string not_xtc_text(const std::string& name) {
  return text::quoted(name) + " is not an xtc file (its first magic number is not 1995)";
}

// Writes one frame. Coordinates are checked before any item is written: a
// frame with a NaN or infinite value, or whose scaled coordinates do not fit
// the integer range, is not written and false is returned, so the file stays
// a valid xtc of the frames before it. False also on a write failure.
bool write_frame(int xdrid, const Frame& f);

// Whether write_frame can write f: natoms >= 0, x holds 3*natoms values, all
// finite, and for natoms >= 10 a finite positive precision at which every
// scaled coordinate fits the integer range and every axis range is below
// 2^31. Lets a program tell a frame it must refuse from a write failure.
bool writable(const Frame& f);

}  // namespace tvl::xtc
