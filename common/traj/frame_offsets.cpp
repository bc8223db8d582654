#include "common/traj/frame_offsets.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "common/traj/crd.h"
#include "common/xdr/xtc.h"

namespace tvl::traj {

FrameFile::FrameFile(const std::string& name) {
  fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return;
  struct stat st;
  if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) size_ = static_cast<long long>(st.st_size);
}

FrameFile::~FrameFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool FrameFile::read(long long offset, std::size_t size, std::vector<unsigned char>& bytes,
                     std::size_t pad) const {
  if (fd_ < 0 || offset < 0) return false;
  bytes.resize(size + pad);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t r = ::pread(fd_, bytes.data() + got, size - got, static_cast<off_t>(offset) + static_cast<off_t>(got));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    got += static_cast<std::size_t>(r);
  }
  if (pad > 0) std::memset(bytes.data() + size, 0, pad);
  return true;
}

namespace {

// Walks the frames from `from` on: size_at(offset, head) gives the size of
// the frame starting there (head holds up to `head_len` bytes of it), or -1
// where the scan must stop.
template <class SizeAt>
FrameOffsets walk(const FrameFile& f, long long from, std::size_t head_len, SizeAt size_at) {
  FrameOffsets out;
  out.start.push_back(from);
  if (!f.is_open() || from < 0) return out;
  const long long end = f.size();
  std::vector<unsigned char> head;
  long long at = from;
  while (at < end) {
    const std::size_t want = static_cast<std::size_t>(std::min<long long>(static_cast<long long>(head_len), end - at));
    if (!f.read(at, want, head)) return out;
    const long long size = size_at(head.data(), want);
    if (size <= 0 || size > end - at) return out;  // damaged here, or cut at the file's end
    at += size;
    out.start.push_back(at);
  }
  out.whole_file = at == end;
  return out;
}

std::uint32_t word_at(const unsigned char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

FrameOffsets scan_xtc(const FrameFile& f, int max_atoms, long long from) {
  return walk(f, from, xtc::frame_head_bytes, [max_atoms](const unsigned char* head, std::size_t avail) {
    return xtc::frame_size(head, avail, max_atoms);
  });
}

FrameOffsets scan_crd(const FrameFile& f, int n, long long from) {
  const long long need = crd::frame_payload(n);
  return walk(f, from, 4, [need](const unsigned char* head, std::size_t avail) -> long long {
    if (avail < 4) return -1;
    const std::uint32_t lead = word_at(head);
    const long long len = static_cast<std::int32_t>(lead);
    if (len < need || (len != need && static_cast<long long>(crd::byte_swap(lead)) == need)) return -1;
    return len + 8;
  });
}

}  // namespace tvl::traj
