// trajdump: lists the frames of one or more xtc trajectories as text on
// standard output: a title line per file, then per frame its step, time,
// atom count, box diagonal and every atom's coordinates. Frames are decoded
// and listed on several threads (-nt) and written in file order, so the
// listing is the same for any thread count.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "common/outfile.h"
#include "common/text/fortran.h"
#include "common/xdr/xdrfile.h"
#include "common/standard_flags.h"
#include "common/threads.h"
#include "common/traj/xtc_in_order.h"
#include "common/xdr/xtc.h"

namespace {

using tvl::text::FreeLine;

constexpr int max_atoms = 1000000;  // atoms of one frame
constexpr std::size_t title_name_len = 60;

std::vector<std::string> help_lines() {
  return {"", "TRAJDUMP : Writes content of several GROMACS .xtc files to STDOUT", "",
          "Syntax:  trajdump <xtc-file 1> <xtc-file 2> ... <xtc-file N> ",
          "  -nt <n> : threads decoding the frames (default: one per core)", ""};
}

void print_help() {
  for (const auto& l : help_lines()) tvl::out_line(l);
}

// Appends the listing of one frame to `text`.
void list_frame(const tvl::xtc::Frame& f, std::string& text) {
  auto add = [&text](const FreeLine& l) {
    text += l.str();
    text += '\n';
  };
  add(FreeLine().t("STEP").i(f.step).r4(f.time));
  add(FreeLine().t("NUMATOMS").i(f.natoms));
  add(FreeLine().t("BOX ").r4(f.box[0][0]).r4(f.box[1][1]).r4(f.box[2][2]));
  // The atom lines, the bulk of a listing, are appended piece by piece in the
  // layout of a free-format line (" XYZ", then each number after one blank).
  for (int i = 0; i < f.natoms; ++i) {
    const float* c = &f.x[3 * static_cast<std::size_t>(i)];
    text += " XYZ ";
    text += std::to_string(i + 1);
    for (int a = 0; a < 3; ++a) {
      text += ' ';
      text += tvl::text::free_real4(c[a]);
    }
    text += '\n';
  }
}

void write_stdout(const std::string& text) {
  // A listing that cannot be written stops at once rather than decoding on.
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
    const int e = errno;
    tvl::stop({std::string("ERROR: cannot write standard output: ") +
                   (e ? std::strerror(e) : "write error")});
  }
}

// Lists one open file to its end. Returns false when a frame could not be
// read (a warning naming the file and frame has been written to standard error).
bool list_file(tvl::XdrFile& xtc, const std::string& name, unsigned threads) {
  // The frames the offset scan finds whole are decoded and listed on the
  // worker threads; the rest of the file, if any, is read frame by frame
  // below, where a damaged frame is met and reported.
  tvl::traj::XtcInOrder opt;
  opt.xdrid = xtc.id();
  opt.name = name;
  opt.max_atoms = max_atoms;
  opt.threads = threads;
  // Each slot's listing on cache lines of its own: a listing grows by many
  // small appends, each writing the string's length, and threads writing
  // neighbouring strings would fight over one line.
  struct alignas(64) Text {
    std::string s;
  };
  std::vector<Text> texts(tvl::traj::xtc_slots(opt));
  long frame_no = static_cast<long>(tvl::traj::read_xtc_in_order(
      opt,
      [&](const tvl::xtc::Frame& f, std::size_t slot) {
        texts[slot].s.clear();
        list_frame(f, texts[slot].s);
      },
      [&](const tvl::xtc::Frame&, std::size_t slot) {
        write_stdout(texts[slot].s);
        return true;
      }));

  tvl::xtc::Frame f;
  std::string text;
  tvl::xtc::ReadResult r;
  while ((r = tvl::xtc::read_frame(xtc.id(), f, max_atoms)) == tvl::xtc::ReadResult::ok) {
    ++frame_no;
    text.clear();
    list_frame(f, text);
    write_stdout(text);
  }
  if (r == tvl::xtc::ReadResult::end) return true;
  const std::string frame = "xtc-file " + tvl::text::quoted(name) + ": frame " + std::to_string(frame_no + 1);
  std::string what;
  switch (r) {
    case tvl::xtc::ReadResult::not_xtc:
      what = frame_no == 0 ? tvl::xtc::not_xtc_text(name)
                           : frame + " does not begin with the magic number 1995";
      break;
    case tvl::xtc::ReadResult::read_error:
      what = frame + " cannot be read (read error)";
      break;
    default:
      what = f.natoms > max_atoms ? frame + " has " + std::to_string(f.natoms) +
                                        " atoms, more than trajdump can hold (" +
                                        std::to_string(max_atoms) + ")"
                                  : frame + " is cut short or corrupt";
  }
  std::fflush(stdout);  // keeps the warning after the frames listed before it
  std::fprintf(stderr, "WARNING: %s; listing of this file ends\n", what.c_str());
  return false;
}

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, help_lines());
  // Every argument is a file name, except -nt and its value; -h or -help
  // anywhere asks for the help.
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i];
    if (a == "-h" || a == "-help") {
      print_help();
      return tvl::exit_ok;
    }
    if (!tvl::text::trim_right(a).empty()) ++count;
  }
  // The files are the fields at positions 1..count, as the blank-padded
  // argument fields give them.
  std::vector<std::string> names;
  unsigned threads = 0;
  for (int i = 1; i <= count; ++i) {
    const std::string a(tvl::text::trim_right(argv[i]));
    if (a != "-nt") {
      names.push_back(a);
      continue;
    }
    int n = 0;
    const auto words = i + 1 <= count ? tvl::text::free_words(argv[i + 1]) : std::vector<std::string>{};
    if (words.empty() || !tvl::text::parse_int(words[0], n) || n < 1 || n > tvl::max_threads) {
      print_help();
      return tvl::exit_usage;
    }
    threads = static_cast<unsigned>(n);
    ++i;
  }
  if (names.empty()) {
    print_help();
    return tvl::exit_usage;
  }
  threads = tvl::worker_threads(threads);

  bool all_read = true;
  for (std::size_t k = 0; k < names.size(); ++k) {
    const std::string& name = names[k];
    tvl::XdrFile xtc(name, "r");
    tvl::out_line(FreeLine()
                      .t("# FILE ")
                      .i(static_cast<long long>(k + 1))
                      .t(" ")
                      .name(name, title_name_len)
                      .str());
    if (!xtc) tvl::stop({tvl::text::free_text("# ERROR: specified XTC-file does not exist")});
    if (!list_file(xtc, name, threads)) all_read = false;
    xtc.close();
  }
  return all_read ? tvl::exit_ok : tvl::exit_error;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
