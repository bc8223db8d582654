#include "common/traj/xtc_in_order.h"

#include <cstdio>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/text/fortran.h"
#include "common/traj/frame_offsets.h"
#include "common/traj/frame_pipeline.h"

namespace tvl::traj {

namespace {

InOrder in_order(const XtcInOrder& opt, std::size_t count) {
  InOrder io;
  io.count = count;
  io.threads = opt.threads;
  io.per_thread = opt.per_thread;
  return io;
}

// One frame in the making: its bytes as read and the frame decoded from them.
struct Slot {
  std::vector<unsigned char> bytes;
  xtc::Frame frame;
  bool ok = false;
};

}  // namespace

std::size_t xtc_slots(const XtcInOrder& opt) { return in_order(opt, 0).slots(); }

std::size_t read_xtc_in_order(const XtcInOrder& opt,
                              const std::function<void(const xtc::Frame&, std::size_t)>& prepare,
                              const std::function<bool(const xtc::Frame&, std::size_t)>& use) {
  std::FILE* stream = xdr_file(opt.xdrid);
  if (!stream) return 0;
  const long long here = ftello(stream);
  if (here < 0) return 0;
  const FrameFile file(opt.name);
  const FrameOffsets at = scan_xtc(file, opt.max_atoms, here);

  std::vector<Slot> slots(xtc_slots(opt));
  auto work = [&](std::size_t k, std::size_t slot) {
    Slot& s = slots[slot];
    s.ok = file.read(at.offset(k), at.size(k), s.bytes) &&
           xtc::decode_frame(s.bytes.data(), s.bytes.size(), s.frame, opt.max_atoms) == xtc::ReadResult::ok;
    if (s.ok) prepare(s.frame, slot);
  };
  auto take = [&](std::size_t, std::size_t slot) { return slots[slot].ok && use(slots[slot].frame, slot); };
  const std::size_t used = run_in_order(in_order(opt, at.frames()), work, take);
  // The stream goes on at the first frame not used (the file's end after the
  // last). Frames were found only in a regular file, where this cannot fail;
  // if it did, reading on from elsewhere would repeat or skip frames.
  if (used > 0 && fseeko(stream, static_cast<off_t>(at.offset(used)), SEEK_SET) != 0)
    stop({"xtc-file " + text::quoted(opt.name) + ": cannot go on reading after frame " + std::to_string(used)},
         exit_error, Stream::err);
  return used;
}

}  // namespace tvl::traj
