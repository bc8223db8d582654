#include "common/traj/trajectory.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>

#include "common/error.h"
#include "common/outfile.h"
#include "common/text/fortran.h"
#include "common/xdr/xdrfile.h"

namespace tvl::traj {

namespace {

using tvl::text::quoted;

using tvl::text::free_text;

// Messages on standard output are free-format lines (a leading blank).
[[noreturn]] void count_mismatch(const Handle& h, long long count, int conf_n) {
  tvl::stop({free_text(std::string("ERROR: ") + kind_text(h.kind) + "-file " + quoted(h.name) +
                       " holds " + std::to_string(count) + " sites per frame,"),
             free_text("       the configuration holds " + std::to_string(conf_n) + " sites")});
}

[[noreturn]] void too_many(const Handle& h, long long count, int nmax) {
  tvl::stop({free_text(std::string("ERROR: ") + kind_text(h.kind) + "-file " + quoted(h.name) +
                       " holds " + std::to_string(count) + " sites per frame,"),
             free_text("       more than nmax = " + std::to_string(nmax) + " sites")});
}

// Checks a frame's site count against the buffers and the configuration.
void check_count(const Handle& h, long long count, int conf_n, int nmax) {
  if (count > nmax) too_many(h, count, nmax);
  if (conf_n >= 0 && count != conf_n) count_mismatch(h, count, conf_n);
}

// Reads one xtc frame into b.xtc; false (status 0) at the end or on a bad frame.
bool xtc_frame(Handle& h, int conf_n, Buffers& b) {
  const xtc::ReadResult r = xtc::read_frame(h.xdrid, b.xtc, std::min(b.nmax, xtc::atoms_ceiling));
  switch (r) {
    case xtc::ReadResult::ok:
      check_count(h, b.xtc.natoms, conf_n, b.nmax);
      ++h.frames;
      return true;
    case xtc::ReadResult::end:
      break;
    case xtc::ReadResult::bad:
      if (b.xtc.natoms > b.nmax) too_many(h, b.xtc.natoms, b.nmax);
      std::fprintf(stderr, "WARNING: xtc-file %s: frame %ld is cut short or corrupt; the frames before it are used\n",
                   quoted(h.name).c_str(), h.frames + 1);
      break;
    case xtc::ReadResult::not_xtc:
      if (h.frames == 0)  // the file as a whole is something else: no frame of it is used
        std::fprintf(stderr, "WARNING: %s; no frame of it is used\n", xtc::not_xtc_text(h.name).c_str());
      else
        std::fprintf(stderr, "WARNING: xtc-file %s: frame %ld does not begin with the xtc magic number; the frames before it are used\n",
                     quoted(h.name).c_str(), h.frames + 1);
      break;
    case xtc::ReadResult::read_error:
      // A failing device is not a damaged file: the run cannot go on.
      tvl::stop({free_text("ERROR: xtc-file " + quoted(h.name) + ": frame " + std::to_string(h.frames + 1) +
                           " cannot be read (read error)")});
  }
  h.status = 0;
  return false;
}

bool crd_frame(Handle& h, crd::Frame& f) {
  const crd::ReadResult r = h.crd.next(f);  // a cut frame has been reported on stderr
  if (r != crd::ReadResult::ok) {
    h.status = 0;
    return false;
  }
  ++h.frames;
  return true;
}

}  // namespace

bool kind_from_text(std::string_view text, Kind& kind) {
  const std::string_view k = text.substr(0, 3);
  if (k == "crd") {
    kind = Kind::crd;
    return true;
  }
  if (k == "xtc") {
    kind = Kind::xtc;
    return true;
  }
  return false;
}

const char* kind_text(Kind kind) { return kind == Kind::crd ? "crd" : "xtc"; }

void allocate(Buffers& b, int nmax, int sites) {
  b.nmax = nmax;
  const std::size_t n = static_cast<std::size_t>(std::clamp(sites, 0, nmax));
  b.crd.x.reserve(n);
  b.crd.y.reserve(n);
  b.crd.z.reserve(n);
  b.xtc.x.reserve(3 * n);
}

Handle::~Handle() {
  if (kind == Kind::xtc && xdrid != 0) {
    int ret = 0;
    try {
      xdrfclose(xdrid, ret);
    } catch (const tvl::Stop&) {
    }
  }
}

void open_crd_xtc(Handle& h, Kind kind, const std::string& name, int expected_n, int nmax) {
  // A handle used before is released first (quietly: a stream that never
  // opened has nothing to close).
  if (h.kind == Kind::xtc && h.xdrid != 0) close_crd_xtc(h);
  h.crd.close();
  h.kind = kind;
  h.name = std::string(tvl::text::trim_right(name));
  h.status = 1;
  h.frames = 0;
  h.natoms = 0;
  h.xdrid = 0;
  if (kind == Kind::crd) {
    std::string why;
    if (!h.crd.open(h.name, INT_MAX, &why)) {
      h.status = 0;
      tvl::out_line(free_text("WARNING: crd-file " + quoted(h.name) + " is passed over: " + why));
      return;
    }
    h.natoms = h.crd.natoms();
    check_count(h, h.natoms, expected_n, nmax);
    return;
  }
  h.natoms = expected_n;  // every frame must hold this many sites (-1: any)
  int ret = 0;
  xdrfopen(h.xdrid, h.name, "r", ret);
  if (h.xdrid == 0) {
    h.status = 0;
    tvl::out_line(free_text("ERROR: xtc-file " + quoted(h.name) + " cannot be opened"));
  }
}

bool take_frame(Handle& h, config::Configuration& c, Buffers& b) {
  if (h.status != 1) return false;
  const std::size_t n = static_cast<std::size_t>(c.n);
  if (h.kind == Kind::crd) {
    if (h.natoms != c.n) count_mismatch(h, h.natoms, c.n);
    if (!crd_frame(h, b.crd)) return false;
    for (std::size_t s = 0; s < n; ++s) {
      c.x[s] = b.crd.x[s];
      c.y[s] = b.crd.y[s];
      c.z[s] = b.crd.z[s];
    }
    for (int a = 0; a < 3; ++a) c.box[a] = b.crd.box[a];
  } else {
    if (!xtc_frame(h, c.n, b)) return false;
    const float* p = b.xtc.x.data();
    for (std::size_t s = 0; s < n; ++s) {
      c.x[s] = p[3 * s];
      c.y[s] = p[3 * s + 1];
      c.z[s] = p[3 * s + 2];
    }
    for (int a = 0; a < 3; ++a) c.box[a] = b.xtc.box[a][a];
  }
  config::centres_of_mass(c);
  return true;
}

bool skip_frame(Handle& h, Buffers& b) {
  if (h.status != 1) return false;
  // A skipped frame goes into the same buffers; the configuration already
  // holds the frame taken before it.
  if (h.kind == Kind::crd) return crd_frame(h, b.crd);
  return xtc_frame(h, h.natoms, b);
}

void read_crd_xtc(Handle& h, int skip, config::Configuration& c, Buffers& b) {
  // A trajectory that never opened delivers nothing, quietly: there is no
  // frame of it to report as damaged.
  if (h.kind == Kind::crd ? !h.crd.is_open() : h.xdrid == 0) {
    h.status = 0;
    return;
  }
  h.status = 1;
  if (!take_frame(h, c, b)) return;
  for (int k = 0; k < skip; ++k)
    if (!skip_frame(h, b)) return;
}

void close_crd_xtc(Handle& h) {
  if (h.kind == Kind::crd) {
    h.crd.close();
    return;
  }
  if (h.name.empty() && h.xdrid == 0) return;  // never opened
  int ret = 0;
  const int id = h.xdrid;
  h.xdrid = 0;
  h.name.clear();
  xdrfclose(id, ret);
  h.status = ret;
}

long frame_loop(const TrajList& list, config::Configuration& c, Buffers& b,
                const std::function<void(long f)>& on_frame, const LoopOptions& opt) {
  if (b.nmax != opt.nmax || b.xtc.x.capacity() < 3 * static_cast<std::size_t>(std::max(c.n, 0)))
    allocate(b, opt.nmax, c.n);
  const int group = list.ngap > 0 ? list.ngap : 1;
  const bool counter = opt.counter && isatty(2);
  long kept = 0, seen = 0;
  int pos = 0;  // frames of the current group read so far
  for (const std::string& name : list.names) {
    const std::string shown(tvl::text::trim_right(name));
    if (opt.echo_names) tvl::out_line("    " + shown);
    Handle h;
    open_crd_xtc(h, list.kind, shown, c.n, opt.nmax);
    while (h.status == 1) {
      // The first frame of a group goes into the configuration; the others
      // are read into scratch, so the configuration keeps the first.
      const bool ok = pos == 0 ? take_frame(h, c, b) : skip_frame(h, b);
      if (!ok) break;
      ++seen;
      if (++pos == group) {
        pos = 0;
        on_frame(++kept);
      }
      if (counter && seen % 20 == 0) std::fprintf(stderr, "\r frames read: %ld", seen);
    }
    close_crd_xtc(h);
  }
  if (counter && seen > 0) std::fprintf(stderr, "\r frames read: %ld\n", seen);
  return kept;
}

}  // namespace tvl::traj
