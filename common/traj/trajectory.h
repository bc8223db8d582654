#pragma once
// Reading crd and xtc trajectories frame by frame into a configuration.
//
// Low level, one trajectory at a time: open_crd_xtc, read_crd_xtc,
// close_crd_xtc. High level: frame_loop walks a list of trajectories as one
// continuous sequence of frames, keeps one frame of every ngap and calls back
// for every kept frame with the configuration holding it.
//
// Checks made here: the site count of a trajectory must equal the
// configuration's and must not exceed the bound nmax when one is set (Stop
// naming the file and both counts, exit 1); a crd file that cannot be opened or has no header is passed
// over with a warning line; a cut or corrupt frame ends its file with a warning
// on standard error, the frames before it being used.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/config/configuration.h"
#include "common/traj/crd.h"
#include "common/tvl_const.h"
#include "common/xdr/xtc.h"

namespace tvl::traj {

enum class Kind { crd, xtc };

// "crd" or "xtc": only the first 3 characters are compared (case as given).
bool kind_from_text(std::string_view text, Kind& kind);
const char* kind_text(Kind kind);

// Single-precision frame buffers, sized once for the configuration's sites
// and reused for every frame and every skipped frame; nmax is the bound of
// the site count (tvl::no_bound: none).
struct Buffers {
  crd::Frame crd;
  xtc::Frame xtc;
  int nmax = tvl::nmax;
};
void allocate(Buffers& b, int nmax = tvl::nmax, int sites = 0);

// One open trajectory.
struct Handle {
  Kind kind = Kind::crd;
  std::string name;
  int status = 0;     // 1 while the trajectory can deliver frames, else 0
  int xdrid = 0;      // xtc: stream id of the XDR file table (0: not open)
  crd::Reader crd;    // crd: the open file
  int natoms = 0;     // site count of the trajectory (crd: from the header)
  long frames = 0;    // frames read from this file so far, taken or skipped

  Handle() = default;
  ~Handle();  // an xtc stream still open is closed (result not checked)
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
};

// Opens a trajectory; h.status becomes 1 when frames can be read.
// crd: the header is read; a file that cannot be opened or whose header
// cannot be read gets status 0 and a warning line naming it on standard output.
// A header count above the bound nmax or different from `expected_n` (the
// configuration's site count; pass -1 to accept any) stops the program.
// xtc: opened through the XDR file table; when that fails a line naming the
// file is written and status is 0 (the later close then ends the program
// through the XDR layer).
void open_crd_xtc(Handle& h, Kind kind, const std::string& name, int expected_n,
                  int nmax = tvl::nmax);

// Reads the next frame into the configuration (positions, box, centres of
// mass), then skips `skip` further frames. h.status stays 1 only when the
// frame and all skipped frames could be read; only then is the frame valid.
// A frame whose site count differs from c.n (or exceeds the buffers) stops
// the program naming the file and both counts.
void read_crd_xtc(Handle& h, int skip, config::Configuration& c, Buffers& b);

// Frame primitives used by read_crd_xtc and frame_loop. take_frame fills the
// configuration; skip_frame reads into scratch and leaves it untouched. Both
// return false at the end of the file or after a cut frame (status 0, file
// closed, warning already written for a cut frame).
bool take_frame(Handle& h, config::Configuration& c, Buffers& b);
bool skip_frame(Handle& h, Buffers& b);

// Closes the trajectory (crd: harmless when already closed; xtc: through the
// XDR file table, whose close of a stream that never opened ends the program).
void close_crd_xtc(Handle& h);

// A list of trajectories read as one continuous sequence of frames.
struct TrajList {
  Kind kind = Kind::crd;
  std::vector<std::string> names;
  int ngap = 1;  // keep one frame of every ngap; 0 or less keeps every frame
};

struct LoopOptions {
  int nmax = tvl::nmax;
  // Frame counter on standard error: shown only when standard error is a
  // terminal, and only when this is true. Off unless asked for (a program
  // writes nothing beyond its own lines at verbosity 0).
  bool counter = false;
  // Writes four blanks and the name before each trajectory is opened.
  bool echo_names = true;
};

// Reads every trajectory of the list in order. Frames are grouped in groups of
// ngap consecutive frames over the whole sequence (groups carry on across file
// boundaries); the first frame of every complete group is kept: the
// configuration then holds it and on_frame(f) is called with f = 1, 2, ...
// (the callback may throw Stop). The trailing incomplete group of the whole
// sequence is dropped. Returns the number of kept frames.
long frame_loop(const TrajList& list, config::Configuration& c, Buffers& b,
                const std::function<void(long f)>& on_frame,
                const LoopOptions& opt = {});

// The same walk through the list with the per-frame work on worker threads:
// every file's whole frames are found by an offset scan, then read, decoded,
// placed into a configuration and reduced to a row of values on the workers,
// a few frames per thread at a time, and used on the calling thread in frame
// order. Where the scan stopped (the end of the file, or a damaged frame)
// the file is read on from there frame by frame as frame_loop reads it, so
// the frames kept, the files passed over, cut and damaged frames, every
// message and every row are the same as frame_loop's for any thread count.
struct RowLoop {
  unsigned threads = 1;     // 1: everything on the calling thread
  unsigned per_thread = 4;  // frames in memory per worker
  std::size_t row = 0;      // values of a row
  // Molecules made whole across the periodic box before the reduction (each
  // site within half a box of the one before it in its molecule), as GROMACS
  // writes them broken; whole molecules are left bit for bit as read.
  bool whole = false;
  // Any thread: the row of kept configuration f (1-based) from the
  // configuration holding it (positions and box; its centres of mass are
  // not formed); row starts zeroed. May throw Stop: the stop
  // then comes in f's turn, and only when frame_loop would call on_frame(f).
  std::function<void(const config::Configuration& c, long f, float* row)> reduce;
  // Calling thread, in order: where the row of kept configuration f goes
  // (checks may stop here first). `written`: the row is already in the room
  // that `room` gave, at row f.
  std::function<float*(long f, bool written)> place;
  // Optional, calling thread, before a file's frames are handed out: room
  // for the rows of kept configurations 1 .. last. Returns the address of
  // row 1 (row f at + (f - 1) * row) and sets `held` to the rows there; the
  // workers then reduce into that room directly. The room must not move
  // while a file is read.
  std::function<float*(long last, long& held)> room;
};
// Makes every molecule whole across the periodic box: each site is moved by
// whole box vectors to lie within half a box of the site before it in its
// molecule. The box (row i is box vector i) is triclinic in GROMACS's form
// (a along x, b in the x-y plane); sites are shifted along c, then b, then a,
// and a zero box length leaves its direction as it is. A site already within
// half a box keeps its position bit for bit, so whole molecules are unchanged.
void make_whole(config::Configuration& c, const float box[3][3]);

// Returns the number of kept configurations. c is the configuration read
// before (sites, molecules, masses); the positions it holds afterwards are
// not defined.
long frame_loop_rows(const TrajList& list, config::Configuration& c, const RowLoop& rows,
                     const LoopOptions& opt = {});

}  // namespace tvl::traj
