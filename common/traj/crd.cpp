#include "common/traj/crd.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "common/error.h"
#include "common/text/fortran.h"

namespace tvl::crd {

namespace {

using tvl::text::free_text;

constexpr std::uint32_t header_len = 4;

std::int32_t as_int(std::uint32_t u) {
  std::int32_t v;
  std::memcpy(&v, &u, 4);
  return v;
}

std::uint32_t word_at(const unsigned char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

using tvl::text::quoted;

const char* other_order_line =
    "       the file looks like one written in the other byte order: convert it with endianflip";

// Reads exactly n bytes; returns the number read (short on end of file or error).
std::size_t read_bytes(std::FILE* f, void* p, std::size_t n) { return std::fread(p, 1, n, f); }

}  // namespace

std::uint32_t byte_swap(std::uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

// ---- Reader ---------------------------------------------------------------

Reader::~Reader() { close(); }

void Reader::close() {
  if (f_) std::fclose(f_);
  f_ = nullptr;
}

bool Reader::open(const std::string& name, int max_sites, std::string* why) {
  close();
  name_ = name;
  n_ = 0;
  frames_ = 0;
  errno = 0;
  f_ = std::fopen(name.c_str(), "rb");
  if (!f_) {
    if (why) *why = errno ? std::strerror(errno) : "cannot be opened";
    return false;
  }
  unsigned char h[12];
  errno = 0;
  const std::size_t got = read_bytes(f_, h, sizeof h);
  if (got != sizeof h) {
    if (why) {
      if (std::ferror(f_))
        *why = std::string("read error: ") + (errno ? std::strerror(errno) : "unknown");
      else
        *why = got == 0 ? "the file is empty" : "the header record is incomplete";
    }
    close();
    return false;
  }
  const std::uint32_t lead = word_at(h), value = word_at(h + 4), trail = word_at(h + 8);
  if (lead != header_len || trail != header_len) {
    std::vector<std::string> lines{
        free_text("ERROR: crd-file " + quoted(name) + ": record 1 is not a header record of 4 bytes")};
    if (lead == byte_swap(header_len) && trail == byte_swap(header_len))
      lines.push_back(free_text(other_order_line));
    close();
    tvl::stop(std::move(lines));
  }
  const std::int32_t n = as_int(value);
  if (n < 0 || n > max_sites) {
    close();
    tvl::stop({free_text("ERROR: crd-file " + quoted(name) + ": header holds " + std::to_string(n) +
                         " sites; allowed are 0 to " + std::to_string(max_sites))});
  }
  n_ = n;
  return true;
}

ReadResult Reader::next(Frame& f) {
  if (!f_) return ReadResult::end;
  const long frame_no = frames_ + 1;
  const long record_no = frames_ + 2;  // the header is record 1
  // A record that ends early: a read error stops the run, an end of file
  // ends this file with a warning.
  auto cut = [&] {
    if (std::ferror(f_)) {
      // A failing device is not a damaged file: nothing after it can be trusted.
      const int e = errno;
      close();
      tvl::stop({free_text("ERROR: crd-file " + quoted(name_) + ": frame " + std::to_string(frame_no) +
                           " cannot be read: " + (e ? std::strerror(e) : "read error"))});
    }
    std::fprintf(stderr, "WARNING: crd-file %s: frame %ld is cut short; the frames before it are used\n",
                 quoted(name_).c_str(), frame_no);
    close();
    return ReadResult::bad;
  };

  unsigned char m[4];
  errno = 0;
  std::size_t got = read_bytes(f_, m, 4);
  if (got == 0 && !std::ferror(f_)) {
    close();
    return ReadResult::end;
  }
  if (got != 4) return cut();
  const std::uint32_t lead = word_at(m);
  const long long need = frame_payload(n_);
  const long long len = as_int(lead);
  const bool swapped = len != need && static_cast<long long>(byte_swap(lead)) == need;
  if (len < need || swapped) {
    std::vector<std::string> lines{free_text(
        "ERROR: crd-file " + quoted(name_) + ": record " + std::to_string(record_no) + " (frame " +
        std::to_string(frame_no) + ") has a length marker of " + std::to_string(len) +
        " bytes; a frame of " + std::to_string(n_) + " sites needs " + std::to_string(need))};
    if (swapped) lines.push_back(free_text(other_order_line));
    close();
    tvl::stop(std::move(lines));
  }
  // The payload goes straight into the caller's buffers (their storage is
  // reused: no allocation once they hold N values).
  const std::size_t n = static_cast<std::size_t>(n_);
  f.x.resize(n);
  f.y.resize(n);
  f.z.resize(n);
  bool whole = read_bytes(f_, f.box, 12) == 12;
  for (std::vector<float>* v : {&f.x, &f.y, &f.z})
    if (whole && n > 0) whole = read_bytes(f_, v->data(), 4 * n) == 4 * n;
  if (!whole)
    return cut();
  // A longer record: its extra payload is read and dropped.
  for (long long rest = len - need; rest > 0;) {
    unsigned char sink[4096];
    const std::size_t k = static_cast<std::size_t>(rest < 4096 ? rest : 4096);
    if (read_bytes(f_, sink, k) != k)
      return cut();
    rest -= static_cast<long long>(k);
  }
  got = read_bytes(f_, m, 4);
  if (got != 4) return cut();
  if (word_at(m) != lead) {
    const long long trail = as_int(word_at(m));
    close();
    tvl::stop({free_text("ERROR: crd-file " + quoted(name_) + ": record " + std::to_string(record_no) +
                         " (frame " + std::to_string(frame_no) + "): the length markers disagree (" +
                         std::to_string(len) + " before, " + std::to_string(trail) + " after)")});
  }
  ++frames_;
  return ReadResult::ok;
}

bool Reader::resume(long long offset, long frames_before) {
  if (!f_ || offset < 0 || ::fseeko(f_, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
  frames_ = frames_before;
  return true;
}

bool decode_record(const unsigned char* rec, std::size_t size, int n, Frame& f) {
  const long long need = frame_payload(n);
  if (n < 0 || size < 8 || static_cast<long long>(size) < need + 8) return false;
  const std::uint32_t lead = word_at(rec);
  const long long len = as_int(lead);
  if (len < need || len + 8 != static_cast<long long>(size) || word_at(rec + size - 4) != lead) return false;
  const std::size_t m = static_cast<std::size_t>(n);
  f.x.resize(m);
  f.y.resize(m);
  f.z.resize(m);
  std::memcpy(f.box, rec + 4, 12);
  if (m > 0) {
    std::memcpy(f.x.data(), rec + 16, 4 * m);
    std::memcpy(f.y.data(), rec + 16 + 4 * m, 4 * m);
    std::memcpy(f.z.data(), rec + 16 + 8 * m, 4 * m);
  }
  return true;
}

// ---- Writer ---------------------------------------------------------------

Writer::~Writer() = default;

void Writer::open(const std::string& name, int natoms, bool exclusive) {
  if (natoms < 0)
    tvl::stop({free_text("ERROR: crd-file " + quoted(name) + ": negative number of sites")});
  if (frame_payload(natoms) > INT32_MAX)
    tvl::stop({free_text("ERROR: crd-file " + quoted(name) + ": " + std::to_string(natoms) +
                         " sites do not fit one crd record")});
  out_ = tvl::OutFile(name, exclusive ? "wbx" : "wb");
  name_ = name;
  n_ = natoms;
  const std::int32_t h[3] = {4, n_, 4};
  out_.write(h, sizeof h);
}

void encode_record(const Frame& f, int n, std::vector<char>& rec) {
  const std::size_t m = static_cast<std::size_t>(n);
  const std::int32_t len = static_cast<std::int32_t>(frame_payload(n));
  rec.resize(static_cast<std::size_t>(len) + 8);
  char* p = rec.data();
  std::memcpy(p, &len, 4);
  std::memcpy(p + 4, f.box, 12);
  if (m > 0) {
    std::memcpy(p + 16, f.x.data(), 4 * m);
    std::memcpy(p + 16 + 4 * m, f.y.data(), 4 * m);
    std::memcpy(p + 16 + 8 * m, f.z.data(), 4 * m);
  }
  std::memcpy(p + 4 + len, &len, 4);
}

void Writer::write(const Frame& f) {
  const std::size_t n = static_cast<std::size_t>(n_);
  if (f.x.size() < n || f.y.size() < n || f.z.size() < n)
    tvl::stop({free_text("ERROR: crd-file " + quoted(name_) + ": a frame holds fewer than " +
                         std::to_string(n_) + " sites")});
  encode_record(f, n_, buf_);
  out_.write(buf_.data(), buf_.size());
}

void Writer::write_record(const std::vector<char>& rec) {
  if (static_cast<long long>(rec.size()) != frame_payload(n_) + 8)
    tvl::stop({free_text("ERROR: crd-file " + quoted(name_) + ": a frame record does not hold " +
                         std::to_string(n_) + " sites")});
  out_.write(rec.data(), rec.size());
}

void Writer::close() { out_.close(); }

}  // namespace tvl::crd
