#pragma once
// Where the frames of a trajectory file are, found without decoding them, and
// the reading of one frame's bytes by its offset.
//
// The offset scan is a cheap first pass: an xtc frame's size follows from its
// first 92 bytes (the header and the stored byte count of its compressed
// block), a crd frame record's from its leading length marker. The scan stops
// at the first place where a sequential reader (xtc::read_frame,
// crd::Reader::next) would not deliver a whole frame: a cut or damaged frame,
// a frame the caller's atom limit refuses, a read error. It writes no message
// and never stops the program. The frames it found are then decoded from
// their bytes (xtc::decode_frame, crd::decode_record) on any thread; at the
// first one that does not decode, or after the last one found, the program
// goes on with its sequential reader positioned at that frame (FrameOffsets::
// start), so that the end of the file, or the damage with its message and
// the frames delivered before it, are met exactly as a read from the start
// meets them.
#include <cstddef>
#include <string>
#include <vector>

namespace tvl::traj {

// A file opened for reading frames by offset. Reads are positional, so any
// number of threads may read through one FrameFile at once.
class FrameFile {
 public:
  FrameFile() = default;
  explicit FrameFile(const std::string& name);  // is_open() tells whether it worked
  ~FrameFile();
  FrameFile(const FrameFile&) = delete;
  FrameFile& operator=(const FrameFile&) = delete;

  bool is_open() const { return fd_ >= 0; }
  // The file's size in bytes when it was opened (0 when not open or not a
  // regular file).
  long long size() const { return size_; }
  // Reads `size` bytes from `offset` into bytes (resized to size + pad; the
  // pad bytes are zero). False when they cannot all be read (the end of the
  // file, a read error): the sequential reader then meets the same place.
  bool read(long long offset, std::size_t size, std::vector<unsigned char>& bytes,
            std::size_t pad = 0) const;

 private:
  int fd_ = -1;
  long long size_ = 0;
};

// The whole frames of a file in file order.
struct FrameOffsets {
  // start[k]: byte offset of frame k (counted from 0); one entry more than
  // frames: the offset after the last frame found, where a sequential read
  // goes on (the end of the file, or the first frame the scan did not accept).
  std::vector<long long> start;
  // True when the frames found end exactly at the end of the file: nothing
  // after them needs the sequential reader.
  bool whole_file = false;

  std::size_t frames() const { return start.empty() ? 0 : start.size() - 1; }
  long long offset(std::size_t k) const { return start[k]; }
  std::size_t size(std::size_t k) const { return static_cast<std::size_t>(start[k + 1] - start[k]); }
  long long resume_at() const { return start.empty() ? 0 : start.back(); }
};

// The frames of an xtc file from byte `from` on (normally its start). Frames
// with more than max_atoms atoms end the scan, as they end a sequential read.
FrameOffsets scan_xtc(const FrameFile& f, int max_atoms, long long from = 0);

// The frame records of a crd file of n sites whose header (checked by
// crd::Reader::open) ends at byte `from`. A record whose leading marker is
// below the payload of n sites, or looks byte-swapped, ends the scan.
FrameOffsets scan_crd(const FrameFile& f, int n, long long from = 12);

}  // namespace tvl::traj
