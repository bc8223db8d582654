// packtraj: converts a crd trajectory into a compressed xtc trajectory, and
// with -r an xtc trajectory back into a crd trajectory. Coordinates and box
// lengths are copied without any change of unit. With -r the xtc frames are
// decoded on several threads (-nt) and written in file order, so the crd file
// is the same for any thread count.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/infile.h"
#include "common/outfile.h"
#include "common/standard_flags.h"
#include "common/text/fortran.h"
#include "common/threads.h"
#include "common/traj/crd.h"
#include "common/traj/xtc_in_order.h"
#include "common/xdr/xdrfile.h"
#include "common/xdr/xtc.h"
#include "common/xdr/xtc_codec.h"

namespace {

using tvl::text::free_text;
using tvl::text::FreeLine;

constexpr int max_args = 100;     // argument positions looked at
constexpr int arg_len = 256;      // width of an argument field
constexpr int max_atoms = 100000; // atoms of one frame

struct Settings {
  std::string crd = "-";
  std::string xtc = "-";
  bool reverse = false;
  float prec = 1000.0f;
  double dt = 1.0;  // ps between configurations written to the xtc file
  unsigned threads = 0;  // threads decoding xtc frames (-r); 0: one per core
};

std::vector<std::string> help_lines() {
  return {
           "",
           "PACKTRAJ converts TARVELO .crd file into the compressed  GROMACS .xtc format",
           "        and vice versa.",
           "",
           "Syntax:  packtraj -c <crd-file> -x <xtc-file> -p <precision> [-r]",
           "",
           "  default precsion (0.001 nm): -p 1000.0",
           "  (a larger value will give a higher precision)",
           "  -r : Reverse action: a .xtc file is transformed into a .crd file",
           "  -dt <ps> : time between configurations written to the .xtc file (default 1.0):",
           "             configuration k (counted from 0) gets step k and time k * dt",
           "  -nt <n> : threads decoding the .xtc frames with -r (default: one per core)",
           "",
  };
}

void print_help() {
  for (const auto& l : help_lines()) tvl::out_line(l);
}

[[noreturn]] void help_stop(int status) {
  print_help();
  tvl::stop({}, status);
}

// Reads a real free-format from an argument field; false when it holds none.
bool read_real(const std::string& field, double& v) {
  auto words = tvl::text::free_words(field);
  return !words.empty() && tvl::text::parse_real(words[0], v);
}

Settings parse_args(int argc, char** argv) {
  // Argument fields at positions 1..max_args (blank when not given); options
  // are looked for at positions 1..count, count being the number of non-blank
  // fields; the value of an option is the field after it.
  std::vector<std::string> arg(max_args + 2);
  int count = 0;
  for (int i = 1; i < argc && i <= max_args; ++i) {
    arg[i] = tvl::text::trim_right(argv[i]);
    if (arg[i].size() > static_cast<std::size_t>(arg_len))
      tvl::stop({free_text("ERROR: argument " + std::to_string(i) + " is longer than " +
                           std::to_string(arg_len) + " characters")},
                tvl::exit_usage);
    if (!arg[i].empty()) ++count;
  }
  auto is = [&](int i, const char* opt) { return arg[i] == opt; };

  // A file option takes the next field as its name; a missing name or one
  // that begins with "-" (the next option) would create a file named after it.
  auto file_name = [&](int i) {
    const std::string& v = arg[i + 1];
    if (v.empty() || v[0] == '-') help_stop(tvl::exit_usage);
    return v;
  };
  Settings s;
  for (int i = 1; i <= count; ++i)
    if (is(i, "-c")) s.crd = file_name(i);
  for (int i = 1; i <= count; ++i)
    if (is(i, "-x")) s.xtc = file_name(i);
  for (int i = 1; i <= count; ++i)
    if (is(i, "-r")) s.reverse = true;
  for (int i = 1; i <= count; ++i)
    if (is(i, "-p")) {
      // A precision of 0 would write every coordinate as 0, a negative one
      // mirrors them; neither is a precision.
      // Nor is one so small that its reciprocal, by which the coordinates are
      // decoded, overflows.
      double p = 0;
      if (!read_real(arg[i + 1], p) || !(p > 0.0) || p > std::numeric_limits<float>::max() ||
          !tvl::xtc::codec::precision_ok(static_cast<float>(p)))
        help_stop(tvl::exit_usage);
      s.prec = static_cast<float>(p);
    }
  for (int i = 1; i <= count; ++i)
    if (is(i, "-dt")) {
      double dt = 0;
      if (!read_real(arg[i + 1], dt) || !std::isfinite(dt)) help_stop(tvl::exit_usage);
      s.dt = dt;
    }
  for (int i = 1; i <= count; ++i)
    if (is(i, "-nt")) {
      int n = 0;
      auto words = tvl::text::free_words(arg[i + 1]);
      if (words.empty() || !tvl::text::parse_int(words[0], n) || n < 1 || n > tvl::max_threads)
        help_stop(tvl::exit_usage);
      s.threads = static_cast<unsigned>(n);
    }
  for (int i = 1; i <= count; ++i)
    if (is(i, "-h") || is(i, "-help")) help_stop(tvl::exit_ok);
  // An option the program does not know is a mistake, never ignored; the
  // values of -p, -dt (a negative number) and -nt are skipped.
  for (int i = 1; i <= count; ++i) {
    if (is(i, "-p") || is(i, "-dt") || is(i, "-nt") || is(i, "-c") || is(i, "-x")) {
      ++i;
    } else if (!is(i, "-r") && arg[i].size() > 1 && arg[i][0] == '-') {
      help_stop(tvl::exit_usage);
    }
  }
  // A file option given last, with no name after it, leaves a blank name.
  if (count == 0 || s.xtc == "-" || s.crd == "-" || s.xtc.empty() || s.crd.empty())
    help_stop(tvl::exit_usage);
  return s;
}

using tvl::text::quoted;

// ---- crd -> xtc -------------------------------------------------------------

int forward(const Settings& s) {
  tvl::crd::Reader crd;
  if (!crd.open(s.crd, INT_MAX))
    tvl::stop({"", free_text("ERROR: specified crd-file does not exist"), ""});
  if (crd.natoms() > max_atoms) tvl::stop({free_text("ERROR: number of atoms in system is too large !")});

  tvl::crd::Frame in;
  tvl::xtc::Frame out;
  out.natoms = crd.natoms();
  out.prec = s.prec;
  out.x.resize(3 * static_cast<std::size_t>(out.natoms));
  long counter = 0;
  auto convert = [&] {
    for (int a = 0; a < 3; ++a) out.box[a][a] = in.box[a];
    for (std::size_t j = 0, n = static_cast<std::size_t>(out.natoms); j < n; ++j) {
      out.x[3 * j] = in.x[j];
      out.x[3 * j + 1] = in.y[j];
      out.x[3 * j + 2] = in.z[j];
    }
    out.step = counter <= INT_MAX ? static_cast<int>(counter) : INT_MAX;
    out.time = static_cast<float>(static_cast<double>(counter) * s.dt);
  };
  // Stops on a configuration that could not be written; `kept` says what
  // became of the xtc-file.
  auto not_written = [&](bool encodable, const std::string& kept) {
    const std::string what = "ERROR: configuration " + std::to_string(counter) + " of crd-file " +
                             quoted(s.crd) + " could not be written to the xtc-file " + quoted(s.xtc) + ":";
    const std::string why = encodable ? "       the xtc-file cannot be written;"
                                      : "       a coordinate is not finite or too large for precision " +
                                            tvl::text::free_real4(s.prec) + ";";
    tvl::stop({free_text(what), free_text(why), free_text("       " + kept)});
  };

  // The first configuration is read and checked before the xtc-file is
  // opened (which empties it): an unusable input leaves an existing file as it was.
  const std::string untouched = "the xtc-file " + quoted(s.xtc) + " was left as it was";
  tvl::crd::ReadResult r = crd.next(in);
  if (r == tvl::crd::ReadResult::bad)
    tvl::stop({free_text("ERROR: the first configuration of crd-file " + quoted(s.crd) + " cannot be read;"),
               free_text("       " + untouched)});
  if (r == tvl::crd::ReadResult::ok) {
    convert();
    if (!tvl::xtc::writable(out)) not_written(false, untouched);
  }

  tvl::XdrFile xtc(s.xtc, "w");
  if (!xtc)
    tvl::stop({free_text("ERROR: the xtc-file " + quoted(s.xtc) + " cannot be created: " +
                         (errno ? std::strerror(errno) : "open failed"))});

  tvl::out_line(free_text("#Transforming: crd -> xtc"));
  tvl::out_line(free_text("#  configuration"));

  for (; r == tvl::crd::ReadResult::ok; r = crd.next(in)) {
    tvl::out_line(FreeLine().i(counter).str());
    convert();
    if (!tvl::xtc::write_frame(xtc.id(), out)) {
      // write_frame refuses a frame it cannot encode before writing any of
      // it, so the file keeps the frames before; writable() tells that case
      // from a failed write.
      const bool encodable = tvl::xtc::writable(out);
      xtc.close();
      not_written(encodable, "the xtc-file holds the " + std::to_string(counter) + " configurations before it");
    }
    ++counter;
  }
  if (!xtc.close())
    tvl::stop({free_text("ERROR: the xtc-file " + quoted(s.xtc) +
                         " could not be written completely")});
  // A cut crd frame has been reported by the reader; the xtc file holds the
  // complete frames before it, but the conversion is not complete.
  return r == tvl::crd::ReadResult::bad ? tvl::exit_error : tvl::exit_ok;
}

// ---- xtc -> crd -------------------------------------------------------------

// Removes the crd file this run created, unless frames went into it.
struct CreatedFile {
  std::string name;
  bool keep = false;
  ~CreatedFile() {
    if (!name.empty() && !keep) std::remove(name.c_str());
  }
};

int reverse(const Settings& s) {
  tvl::XdrFile xtc(s.xtc, "r");
  if (!xtc) tvl::stop({"", free_text("ERROR: specified XTC-file does not exist"), ""});

  // The crd file must be new: an existing file is never touched.
  CreatedFile created;
  {
    int fd = ::open(s.crd.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0) {
      if (errno == EEXIST) tvl::stop({free_text("packtraj: crd-file already exists")});
      tvl::stop({free_text("ERROR: the crd-file " + quoted(s.crd) + " cannot be created: " +
                           std::strerror(errno))});
    }
    ::close(fd);
    created.name = s.crd;
  }

  tvl::out_line(free_text("#Transforming: xtc -> crd"));
  tvl::out_line(free_text("#  step   time (ps)"));

  tvl::xtc::Frame in;
  tvl::crd::Writer crd;
  long frame_no = 0;  // frames converted so far
  auto frame_text = [&] { return "frame " + std::to_string(frame_no + 1) + " of the xtc-file " + quoted(s.xtc); };
  auto kept_text = [&] {
    return free_text("         the crd-file " + quoted(s.crd) + " keeps the " +
                     std::to_string(frame_no) + " complete frames before it");
  };
  // Ends the conversion with an error: the frames written so far are kept.
  auto fail = [&](std::vector<std::string> lines) {
    if (crd.is_open()) crd.close();
    if (frame_no > 0) lines.push_back(kept_text());
    tvl::stop(std::move(lines));
  };

  // One decoded frame as a crd frame record, made beside the other frames
  // on the worker threads, so the writing thread only writes.
  struct Record {
    tvl::crd::Frame frame;
    std::vector<char> bytes;
  };
  auto convert = [](const tvl::xtc::Frame& f, Record& rec) {
    tvl::crd::Frame& c = rec.frame;
    const std::size_t n = static_cast<std::size_t>(f.natoms);
    c.x.resize(n);
    c.y.resize(n);
    c.z.resize(n);
    for (int a = 0; a < 3; ++a) c.box[a] = f.box[a][a];
    for (std::size_t j = 0; j < n; ++j) {
      c.x[j] = f.x[3 * j];
      c.y[j] = f.x[3 * j + 1];
      c.z[j] = f.x[3 * j + 2];
    }
    tvl::crd::encode_record(c, f.natoms, rec.bytes);
  };
  // Writes the next frame of the crd-file (f is the xtc frame, rec the same
  // as a crd frame record).
  auto take = [&](const tvl::xtc::Frame& f, const Record& rec) {
    if (frame_no == 0) {
      crd.open(s.crd, f.natoms);
    } else if (f.natoms != crd.natoms()) {
      fail({free_text("ERROR: " + frame_text() + " has " + std::to_string(f.natoms) +
                      " atoms, the first frame " + std::to_string(crd.natoms()) +
                      "; a crd-file holds one number of atoms")});
    }
    tvl::out_line(FreeLine().i(f.step).r4(f.time).str());
    crd.write_record(rec.bytes);
    ++frame_no;
    created.keep = true;
  };

  // The frames the offset scan finds whole are decoded on the worker
  // threads; the rest of the file, if any, is read frame by frame below,
  // where a damaged frame is met and reported.
  tvl::traj::XtcInOrder opt;
  opt.xdrid = xtc.id();
  opt.name = s.xtc;
  opt.max_atoms = max_atoms;
  opt.threads = tvl::worker_threads(s.threads);
  std::vector<Record> records(tvl::traj::xtc_slots(opt));
  tvl::traj::read_xtc_in_order(
      opt, [&](const tvl::xtc::Frame& f, std::size_t slot) { convert(f, records[slot]); },
      [&](const tvl::xtc::Frame& f, std::size_t slot) {
        take(f, records[slot]);
        return true;
      });

  Record out;
  for (;;) {
    const tvl::xtc::ReadResult r = tvl::xtc::read_frame(xtc.id(), in, max_atoms);
    if (r == tvl::xtc::ReadResult::end) break;
    if (r == tvl::xtc::ReadResult::not_xtc) {
      if (frame_no == 0)
        fail({free_text("ERROR: " + tvl::xtc::not_xtc_text(s.xtc))});
      fail({free_text("WARNING: " + frame_text() + " does not begin with the magic number 1995")});
    }
    if (r == tvl::xtc::ReadResult::read_error)
      fail({free_text("ERROR: " + frame_text() + " cannot be read (read error)")});
    if (r == tvl::xtc::ReadResult::bad) {
      if (in.natoms > max_atoms)
        fail({free_text("ERROR: " + frame_text() + " has " + std::to_string(in.natoms) +
                        " atoms; packtraj converts at most " + std::to_string(max_atoms))});
      fail({free_text("WARNING: " + frame_text() + " is cut short or corrupt")});
    }
    convert(in, out);
    take(in, out);
  }
  if (frame_no == 0)
    tvl::stop({free_text("ERROR: the xtc-file " + quoted(s.xtc) +
                         " holds no frame; no crd-file was written")});
  crd.close();
  xtc.close();
  return tvl::exit_ok;
}

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, help_lines());
  const Settings s = parse_args(argc, argv);
  // Writing one file may never destroy the other.
  if (tvl::same_file(s.crd, s.xtc))
    tvl::stop({free_text("ERROR: the crd-file " + quoted(s.crd) + " and the xtc-file " +
                         quoted(s.xtc) + " are the same file")});
  return s.reverse ? reverse(s) : forward(s);
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
