#include "common/traj/trajectory.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdio>
#include <exception>
#include <limits>

#include "common/error.h"
#include "common/outfile.h"
#include "common/text/fortran.h"
#include "common/traj/frame_offsets.h"
#include "common/traj/frame_pipeline.h"
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

// The frame's positions (site s at px[s * stride], ...) and box into the
// configuration, and the centres of mass, in one pass over the sites.
void place(config::Configuration& c, const float* px, const float* py, const float* pz, std::size_t stride,
           const float box[3]) {
  const std::size_t n = static_cast<std::size_t>(c.n);
  for (int a = 0; a < 3; ++a) c.box[a] = box[a];
  const std::size_t m = static_cast<std::size_t>(c.m);
  std::fill_n(c.xcm.begin(), m, 0.0);
  std::fill_n(c.ycm.begin(), m, 0.0);
  std::fill_n(c.zcm.begin(), m, 0.0);
  for (std::size_t s = 0, i = 0; s < n; ++s, i += stride) {
    const double x = px[i], y = py[i], z = pz[i];
    c.x[s] = x;
    c.y[s] = y;
    c.z[s] = z;
    const std::size_t j = static_cast<std::size_t>(c.mol_of_site[s]);
    const double w = c.rmas[s];
    c.xcm[j] += w * x;
    c.ycm[j] += w * y;
    c.zcm[j] += w * z;
  }
}

// The periodic box for joining molecules: a triclinic box in GROMACS's form
// (a along x, b in the x-y plane) and its half lengths; a direction without
// a box length never moves a site.
struct Joining {
  double ax, bx, by, cx, cy, cz;
  double hx, hy, hz;

  explicit Joining(const float box[3][3])
      : ax(box[0][0]), bx(box[1][0]), by(box[1][1]), cx(box[2][0]), cy(box[2][1]), cz(box[2][2]) {
    const double inf = std::numeric_limits<double>::infinity();
    hx = ax > 0 ? 0.5 * ax : inf;
    hy = by > 0 ? 0.5 * by : inf;
    hz = cz > 0 ? 0.5 * cz : inf;
  }
  // Whether a site at (x, y, z) lies more than half a box from the site
  // (xp, yp, zp) before it (one branch for the usual case of a whole molecule).
  bool far(double x, double y, double z, double xp, double yp, double zp) const {
    return (std::fabs(x - xp) > hx) | (std::fabs(y - yp) > hy) | (std::fabs(z - zp) > hz);
  }
  // Moves the site by whole box vectors, along c, then b, then a.
  void join(double& x, double& y, double& z, double xp, double yp, double zp) const {
    if (const double dz = z - zp; std::fabs(dz) > hz) {
      const double k = std::round(dz / cz);
      x -= k * cx;
      y -= k * cy;
      z -= k * cz;
    }
    if (const double dy = y - yp; std::fabs(dy) > hy) {
      const double k = std::round(dy / by);
      x -= k * bx;
      y -= k * by;
    }
    if (const double dx = x - xp; std::fabs(dx) > hx) x -= std::round(dx / ax) * ax;
  }
};

// The frame's positions and box into the configuration for the row
// reductions (no centres of mass), molecules made whole when `whole`, in one
// pass over the sites.
void place_rows(config::Configuration& c, const float* px, const float* py, const float* pz, std::size_t stride,
                const float box[3][3], bool whole) {
  for (int a = 0; a < 3; ++a) c.box[a] = box[a][a];
  const std::size_t n = static_cast<std::size_t>(c.n);
  if (!whole) {
    for (std::size_t s = 0, i = 0; s < n; ++s, i += stride) {
      c.x[s] = px[i];
      c.y[s] = py[i];
      c.z[s] = pz[i];
    }
    return;
  }
  const Joining j(box);
  double xp = 0, yp = 0, zp = 0;
  int mp = -1;
  for (std::size_t s = 0, i = 0; s < n; ++s, i += stride) {
    double x = px[i], y = py[i], z = pz[i];
    const int m = c.mol_of_site[s];
    if (m == mp && j.far(x, y, z, xp, yp, zp)) j.join(x, y, z, xp, yp, zp);
    c.x[s] = xp = x;
    c.y[s] = yp = y;
    c.z[s] = zp = z;
    mp = m;
  }
}

}  // namespace

void make_whole(config::Configuration& c, const float box[3][3]) {
  const Joining j(box);
  for (std::size_t s = 1; s < static_cast<std::size_t>(c.n); ++s)
    if (c.mol_of_site[s] == c.mol_of_site[s - 1] && j.far(c.x[s], c.y[s], c.z[s], c.x[s - 1], c.y[s - 1], c.z[s - 1]))
      j.join(c.x[s], c.y[s], c.z[s], c.x[s - 1], c.y[s - 1], c.z[s - 1]);
}

namespace {

// A crd frame's box (three edges) as the 3 x 3 box of an xtc frame.
struct BoxMatrix {
  float m[3][3] = {};
  explicit BoxMatrix(const float edges[3]) {
    for (int a = 0; a < 3; ++a) m[a][a] = edges[a];
  }
};

void place_rows(config::Configuration& c, const crd::Frame& f, bool whole) {
  place_rows(c, f.x.data(), f.y.data(), f.z.data(), 1, BoxMatrix(f.box).m, whole);
}

void place_rows(config::Configuration& c, const xtc::Frame& f, bool whole) {
  const float* p = f.x.data();
  place_rows(c, p, p + 1, p + 2, 3, f.box, whole);
}

void place(config::Configuration& c, const crd::Frame& f) {
  place(c, f.x.data(), f.y.data(), f.z.data(), 1, f.box);
}

void place(config::Configuration& c, const xtc::Frame& f) {
  const float box[3] = {f.box[0][0], f.box[1][1], f.box[2][2]};
  const float* p = f.x.data();
  place(c, p, p + 1, p + 2, 3, box);
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
  if (h.kind == Kind::crd) {
    if (h.natoms != c.n) count_mismatch(h, h.natoms, c.n);
    if (!crd_frame(h, b.crd)) return false;
    place(c, b.crd);
  } else {
    if (!xtc_frame(h, c.n, b)) return false;
    place(c, b.xtc);
  }
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

namespace {

// A thread's scratch space, reused frame after frame: the frame's bytes, the
// frame decoded from them and the configuration it is placed into. It stays
// with its thread, and so in its core's cache.
struct Scratch {
  std::vector<unsigned char> bytes;
  crd::Frame crd;
  xtc::Frame xtc;
  config::Configuration conf;
};

// One frame in flight, from its thread to its use: the row reduced from it
// when there was no room for it in the caller's store.
struct Slot {
  std::vector<float> row;
  std::exception_ptr err;  // what the reduction threw, kept for its turn
  bool ok = false;         // read and decoded
  bool starts = false;     // first frame of a group: placed and reduced
  bool direct = false;     // reduced into the caller's room, not into `row`
};

// A copy of the configuration for a worker: what placing a frame and the
// reductions use (velocities and forces left out).
config::Configuration frame_copy(const config::Configuration& c) {
  config::Configuration w = c;
  for (auto* v : {&w.vx, &w.vy, &w.vz, &w.fx, &w.fy, &w.fz}) {
    v->clear();
    v->shrink_to_fit();
  }
  return w;
}

}  // namespace

long frame_loop_rows(const TrajList& list, config::Configuration& c, const RowLoop& rows, const LoopOptions& opt) {
  const int group = list.ngap > 0 ? list.ngap : 1;
  const bool counter = opt.counter && isatty(2);
  const int max_atoms = std::min(opt.nmax, xtc::atoms_ceiling);
  Buffers b;
  allocate(b, opt.nmax, c.n);
  long kept = 0, seen = 0;
  int pos = 0;  // frames of the current group read so far

  // The row of the current group's first frame, or what its reduction threw:
  // used when the group is complete.
  std::vector<float> pending(rows.row);
  std::exception_ptr pending_err;
  bool pending_direct = false;  // the row is in the caller's room already
  auto reduce_into = [&](const config::Configuration& conf, long f, float* row, std::exception_ptr& err) {
    std::fill(row, row + rows.row, 0.0f);
    err = nullptr;
    try {
      rows.reduce(conf, f, row);
    } catch (...) {
      err = std::current_exception();
    }
  };
  // A frame has been read: a complete group gives its kept configuration.
  auto advance = [&] {
    ++seen;
    if (++pos == group) {
      pos = 0;
      float* to = rows.place(++kept, pending_direct);
      if (pending_err) std::rethrow_exception(pending_err);
      if (!pending_direct) std::copy(pending.begin(), pending.end(), to);
    }
    if (counter && seen % 20 == 0) std::fprintf(stderr, "\r frames read: %ld", seen);
  };

  InOrder io;
  io.threads = rows.threads;
  io.per_thread = rows.per_thread;
  std::vector<Slot> slots;
  std::vector<Scratch> scratch;
  for (const std::string& name : list.names) {
    const std::string shown(tvl::text::trim_right(name));
    if (opt.echo_names) tvl::out_line("    " + shown);
    Handle h;
    open_crd_xtc(h, list.kind, shown, c.n, opt.nmax);
    if (h.status == 1) {
      // The whole frames the scan finds, on the workers.
      const FrameFile file(h.name);
      FrameOffsets at;
      std::FILE* stream = list.kind == Kind::xtc ? xdr_file(h.xdrid) : nullptr;
      if (list.kind == Kind::crd)
        at = scan_crd(file, c.n);
      else if (const long long here = stream ? ftello(stream) : -1; here >= 0)
        at = scan_xtc(file, max_atoms, here);
      io.count = at.frames();
      if (io.count > 0 && slots.empty()) {
        slots.resize(io.slots());
        for (Slot& sl : slots) sl.row.resize(rows.row);
        scratch.resize(std::max(1u, io.threads));
        for (Scratch& sc : scratch) sc.conf = frame_copy(c);
      }
      // Every thread's buffers at their full size at once, whichever thread
      // meets the largest frame: nothing grows while the frames go by.
      std::size_t biggest = 0;
      for (std::size_t k = 0; k < io.count; ++k) biggest = std::max(biggest, at.size(k));
      const std::size_t n = static_cast<std::size_t>(c.n);
      for (Scratch& sc : scratch) {
        sc.bytes.reserve(biggest);
        if (list.kind == Kind::xtc) {
          sc.xtc.x.reserve(3 * n);
        } else {
          for (auto* v : {&sc.crd.x, &sc.crd.y, &sc.crd.z}) v->reserve(n);
        }
      }
      const int pos0 = pos;
      const long kept0 = kept;
      // Room for the rows of the groups that begin in this file.
      float* room = nullptr;
      long held = 0;
      if (io.count > 0 && rows.room) room = rows.room(kept0 + (pos0 + static_cast<long>(io.count) - 1) / group + 1, held);
      auto work = [&](std::size_t k, std::size_t si, unsigned thread) {
        Slot& sl = slots[si];
        Scratch& sc = scratch[thread];
        sl.ok = false;
        if (!file.read(at.offset(k), at.size(k), sc.bytes)) return;
        if (list.kind == Kind::xtc) {
          if (xtc::decode_frame(sc.bytes.data(), sc.bytes.size(), sc.xtc, max_atoms) != xtc::ReadResult::ok) return;
          if (sc.xtc.natoms != c.n) count_mismatch(h, sc.xtc.natoms, c.n);
        } else if (!crd::decode_record(sc.bytes.data(), sc.bytes.size(), c.n, sc.crd)) {
          return;
        }
        sl.ok = true;
        const long in_group = pos0 + static_cast<long>(k);
        sl.starts = in_group % group == 0;
        if (!sl.starts) return;
        if (list.kind == Kind::xtc)
          place_rows(sc.conf, sc.xtc, rows.whole);
        else
          place_rows(sc.conf, sc.crd, rows.whole);
        const long f = kept0 + in_group / group + 1;
        sl.direct = room && f <= held;
        reduce_into(sc.conf, f, sl.direct ? room + static_cast<std::size_t>(f - 1) * rows.row : sl.row.data(), sl.err);
      };
      auto use = [&](std::size_t, std::size_t si) {
        Slot& sl = slots[si];
        if (!sl.ok) return false;  // read on below, where its damage is met
        ++h.frames;
        if (sl.starts) {
          if (!sl.direct) pending.swap(sl.row);
          pending_direct = sl.direct;
          std::swap(pending_err, sl.err);
        }
        advance();
        return true;
      };
      const std::size_t used = io.count > 0 ? run_in_order(io, work, use) : 0;
      // The rest of the file frame by frame, from the first frame not used.
      if (used > 0) {
        const long long next = at.offset(used);
        const bool ok = list.kind == Kind::xtc
                            ? fseeko(stream, static_cast<off_t>(next), SEEK_SET) == 0
                            : h.crd.resume(next, h.frames);
        if (!ok)
          tvl::stop({free_text(std::string("ERROR: ") + kind_text(h.kind) + "-file " + quoted(h.name) +
                               ": frame " + std::to_string(h.frames + 1) + " cannot be read (read error)")});
      }
    }
    while (h.status == 1) {
      bool ok = false;
      if (pos == 0) {
        ok = take_frame(h, c, b);
        if (ok && rows.whole) make_whole(c, list.kind == Kind::xtc ? b.xtc.box : BoxMatrix(b.crd.box).m);
        if (ok) reduce_into(c, kept + 1, pending.data(), pending_err);
        pending_direct = false;
      } else {
        ok = skip_frame(h, b);
      }
      if (!ok) break;
      advance();
    }
    close_crd_xtc(h);
  }
  if (counter && seen > 0) std::fprintf(stderr, "\r frames read: %ld\n", seen);
  return kept;
}

}  // namespace tvl::traj
