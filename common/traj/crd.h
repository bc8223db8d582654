#pragma once
// The crd trajectory: 4-byte-framed binary records in the writer's byte
// order; a header record holding N, then one record per frame holding the
// box (3 floats), then x of all sites, y of all sites, z of all sites.
//
// Every record is checked: the header must be a 4-byte record holding
// 0 <= N <= the caller's limit; a frame record's leading and trailing length
// markers must agree and cover at least the box and the 3N values (a longer
// record is accepted, the rest of its payload skipped). A marker that only
// makes sense byte-swapped is reported as a file of the other byte order.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/outfile.h"

namespace tvl::crd {

struct Frame {
  float box[3] = {};
  std::vector<float> x, y, z;  // N values each
};

enum class ReadResult { ok, end, bad };

// Reverses the bytes of a 32-bit word.
std::uint32_t byte_swap(std::uint32_t v);

// Payload length in bytes of the frame record of n sites: box and 3n values.
inline long long frame_payload(int n) { return 12LL + 12LL * n; }

// Decodes one frame record of n sites held in memory: the `size` bytes of
// its leading marker, payload and trailing marker, as the offset scan
// (common/traj/frame_offsets.h) finds them. False when the markers differ,
// are below the payload of n sites or do not span `size`: Reader::next then
// meets the record and stops with its message. f.x, f.y, f.z are resized to
// n values (storage reused). Uses no shared state.
bool decode_record(const unsigned char* rec, std::size_t size, int n, Frame& f);

// The frame record of n sites from f (box and the first n values of f.x,
// f.y, f.z; each must hold that many) into rec: leading marker, payload,
// trailing marker. rec's storage is reused.
void encode_record(const Frame& f, int n, std::vector<char>& rec);

class Reader {
 public:
  Reader() = default;
  ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;
  // Opens and reads the header. Returns false (and leaves the reader closed)
  // when the file cannot be opened or has no complete header; `why` then says
  // so. A header that is not a 4-byte record, looks byte-swapped, or holds N
  // below 0 or above max_sites throws Stop naming the file. Nothing is
  // allocated here, so a caller may check natoms() against its own limits.
  bool open(const std::string& name, int max_sites, std::string* why = nullptr);
  int natoms() const { return n_; }
  // ok: frame read (f.x, f.y, f.z hold N values each; their storage is reused,
  // and after end or bad their content means nothing);
  // end: no byte left at a frame boundary; bad: cut record or read error (a
  // warning naming file and frame has been written to standard error and the
  // file is closed). Markers that disagree or are too small throw Stop naming
  // file and record.
  ReadResult next(Frame& f);
  long frames_read() const { return frames_; }  // frames read completely so far
  // Goes on reading at byte `offset`, the start of frame frames_before + 1
  // (frames read elsewhere count as read, for the messages). False when the
  // file is not open or the position cannot be set.
  bool resume(long long offset, long frames_before);
  void close();
  bool is_open() const { return f_ != nullptr; }
  const std::string& name() const { return name_; }

 private:
  std::FILE* f_ = nullptr;
  std::string name_;
  int n_ = 0;
  long frames_ = 0;
};

class Writer {
 public:
  Writer() = default;
  ~Writer();
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
  // Creates the file and writes the header; throws Stop on failure. With
  // `exclusive` an existing file is not touched: the open fails instead.
  void open(const std::string& name, int natoms, bool exclusive = false);
  // Writes one frame from f.box and the first N values of f.x, f.y, f.z;
  // throws Stop naming the file on a write failure or when a vector is short.
  void write(const Frame& f);
  // Writes a record made by encode_record for this file's site count; throws
  // Stop naming the file on a write failure or a record of another size.
  void write_record(const std::vector<char>& rec);
  void close();  // checked
  bool is_open() const { return out_.is_open(); }
  int natoms() const { return n_; }
  const std::string& name() const { return name_; }

 private:
  tvl::OutFile out_;
  std::string name_;
  int n_ = 0;
  std::vector<char> buf_;
};

}  // namespace tvl::crd
