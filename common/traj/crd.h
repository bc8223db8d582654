#pragma once
// The crd trajectory: 4-byte-framed binary records in the writer's byte
// order; a header record holding N, then one record per frame holding the
// box (3 floats), then x of all sites, y of all sites, z of all sites.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tvl::crd {

struct Frame {
  float box[3] = {};
  std::vector<float> x, y, z;  // N values each
};

enum class ReadResult { ok, end, bad };

class Reader {
 public:
  Reader() = default;
  ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;
  // Opens and reads the header. Returns false (and leaves the reader closed)
  // when the file cannot be opened or has no valid header; `why` then says so.
  // A header whose N exceeds max_sites, or that looks byte-swapped, throws Stop.
  bool open(const std::string& name, int max_sites, std::string* why = nullptr);
  int natoms() const { return n_; }
  // ok: frame read; end: no byte left at a frame boundary; bad: cut or
  // corrupt record (a warning naming file and frame has been written to
  // standard error). Markers that disagree throw Stop naming file and record.
  ReadResult next(Frame& f);
  ReadResult skip();  // reads one frame into scratch and discards it
  long frames_read() const { return frames_; }
  void close();
  bool is_open() const { return f_ != nullptr; }
  const std::string& name() const { return name_; }

 private:
  std::FILE* f_ = nullptr;
  std::string name_;
  int n_ = 0;
  long frames_ = 0;
  Frame scratch_;
};

class Writer {
 public:
  Writer() = default;
  ~Writer();
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
  void open(const std::string& name, int natoms);  // writes the header; throws Stop on failure
  void write(const Frame& f);                      // throws Stop naming the file on a write failure
  void close();                                    // checked
  const std::string& name() const { return name_; }

 private:
  std::FILE* f_ = nullptr;
  std::string name_;
  int n_ = 0;
  std::vector<char> buf_;
};

}  // namespace tvl::crd
