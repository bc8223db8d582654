#pragma once
// The frames of one xtc file decoded on several threads and used in file
// order, for programs that otherwise read the file frame by frame with
// xtc::read_frame (trajdump, packtraj -r).
//
// The file is scanned for its whole frames (frame_offsets.h); workers read
// and decode them and run the program's per-frame work; the calling thread
// uses them in order. Where the scan stopped, or at the first frame that does
// not decode, the program's stream is positioned at that frame and its own
// frame-by-frame loop goes on from there: the end of the file, a damaged
// frame and its message come exactly as in a read from the start.
#include <cstddef>
#include <functional>
#include <string>

#include "common/xdr/xtc.h"

namespace tvl::traj {

struct XtcInOrder {
  int xdrid = 0;         // the file, open for reading through the XDR file table
  std::string name;      // its name, opened once more for the positional reads
  int max_atoms = 1 << 28;
  unsigned threads = 1;  // 1: everything on the calling thread
  unsigned per_thread = 2;
};

// The slots used for opt: prepare and use are called with slot below this.
std::size_t xtc_slots(const XtcInOrder& opt);

// prepare(f, slot) runs on a worker for each decoded frame f; use(f, slot)
// runs on the calling thread for the frames in file order (return false to
// stop before f). Returns the number of frames used; stream opt.xdrid is then
// positioned at the frame after them (at its start when none was used).
std::size_t read_xtc_in_order(const XtcInOrder& opt,
                              const std::function<void(const xtc::Frame& f, std::size_t slot)>& prepare,
                              const std::function<bool(const xtc::Frame& f, std::size_t slot)>& use);

}  // namespace tvl::traj
