// The read phase of rotcf on one thread and on two: a 4000-frame xtc of 2000
// rigid waters (6000 atoms) written here, read through rotcf's read phase
// (the analysers' read_frames with rotcf's vectors) with 1 and 2 threads,
// against decoding the same frames alone. Wall and processor times are the
// best of a few rounds; on a loaded machine the processor times tell the
// work done. Prints the speed-ups, the per-frame costs on the workers
// (reading, decoding, placing, forming the vectors) and on the storing
// thread (offset scan, copying a row into the store), the speed-up those
// costs give on 16 cores, and the peak memory of whole rotcf runs next to
// the store's size.
//
// usage: bench_rotcf_read [frames, default 4000] [source xtc, default
//        tests/data/xtc/water_p1000.xtc (its first frame places the waters)]
//        [system file, default tests/data/sysfile/sol_rotcf.sys]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "analysers/driver.h"
#include "analysers/rotcf_lib.h"
#include "analysers/store.h"
#include "bench/best_time.h"
#include "bench/waters.h"
#include "common/outfile.h"
#include "common/text/fortran.h"
#include "common/traj/frame_offsets.h"
#include "common/tvl_const.h"

namespace {

using namespace tvl::bench;

// A GRO file of the trajectory's first frame.
void write_gro(const std::string& xtc, const std::string& gro) {
  tvl::xtc::Frame f;
  tvl::XdrFile in(xtc, "r");
  if (!in || tvl::xtc::read_frame(in.id(), f) != tvl::xtc::ReadResult::ok) std::exit(1);
  tvl::OutFile g(gro);
  g.line("waters");
  g.line(tvl::text::fmt_i(f.natoms, 5));
  const char* names[3] = {"OW", "HW1", "HW2"};
  char line[80];
  for (int a = 0; a < f.natoms; ++a) {
    std::snprintf(line, sizeof line, "%5dSOL  %5s%5d%8.3f%8.3f%8.3f", a / 3 + 1, names[a % 3], a + 1,
                  f.x[3 * a], f.x[3 * a + 1], f.x[3 * a + 2]);
    g.line(line);
  }
  std::snprintf(line, sizeof line, "%10.5f%10.5f%10.5f", f.box[0][0], f.box[1][1], f.box[2][2]);
  g.line(line);
  g.close();
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 4000;
  const std::string source = argc > 2 ? argv[2] : "tests/data/xtc/water_p1000.xtc";
  const std::string sys = argc > 3 ? argv[3] : "tests/data/sysfile/sol_rotcf.sys";
  const std::string bin = bin_dir();
  char tmpl[] = "/tmp/bench_rotcf_read.XXXXXX";
  if (frames < 1 || !::mkdtemp(tmpl)) {
    std::perror("bench_rotcf_read");
    return 1;
  }
  const std::string dir = tmpl;
  const std::string xtc = dir + "/waters.xtc", gro = dir + "/w.gro", out = dir + "/out";
  tvl::xtc::Frame first;
  first_water_frame("bench_rotcf_read", source, first);
  write_waters(first, xtc, frames);
  write_gro(xtc, gro);
  double load[1] = {0.0};
  ::getloadavg(load, 1);
  // The library writes the reading's lines to standard output: the figures go
  // to a copy of it, the lines to /dev/null.
  std::FILE* fig = ::fdopen(::dup(1), "w");
  if (!fig || !std::freopen("/dev/null", "w", stdout)) return 1;
  std::fprintf(fig, "%d frames of %d atoms; %u cores here, load average %.1f\n", frames, 3 * waters,
               std::max(1u, std::thread::hardware_concurrency()), load[0]);

  // Decoding alone, and the parts on the storing thread.
  const WallAndCpu decode = best_wall_and_cpu(tries, [&] {
    tvl::XdrFile in(xtc, "r");
    tvl::xtc::Frame f;
    while (tvl::xtc::read_frame(in.id(), f) == tvl::xtc::ReadResult::ok) {
    }
  });
  const WallAndCpu scan = best_wall_and_cpu(tries, [&] {
    const tvl::traj::FrameFile file(xtc);
    if (tvl::traj::scan_xtc(file, 100000).frames() != static_cast<std::size_t>(frames)) std::exit(1);
  });
  // Filling a fresh store of this size (its pages touched the first time),
  // and the storing thread's part: taking in rows written in its room.
  const std::vector<float> row(3 * waters + 3, 1.0f);
  const WallAndCpu fill = best_wall_and_cpu(tries, [&] {
    tvl::an::VectorStore st(waters, tvl::no_bound_ll);
    for (int k = 0; k < frames; ++k) std::memcpy(st.append(), row.data(), row.size() * sizeof(float));
  });
  const WallAndCpu commit = best_wall_and_cpu(tries, [&] {
    tvl::an::VectorStore st(waters, tvl::no_bound_ll);
    st.reserve(frames);
    for (int k = 0; k < frames; ++k) static_cast<void>(st.commit());
  });
  const double store_mb = static_cast<double>(frames) * static_cast<double>(row.size()) * 4.0 / (1024.0 * 1024.0);

  // rotcf's read phase.
  tvl::an::Settings s;
  s.sys = sys;
  s.gin = gro;
  s.kind = "xtc";
  s.trajs = {xtc};
  const tvl::an::Inputs in = tvl::an::load_inputs(s);
  const auto defs = tvl::an::read_vec(in.sysfile, in.sys);
  const auto series = tvl::an::find_series(defs, in.conf);
  // -nt 1, -nt 2, and -nt 1 into a store whose pages were touched before
  // (not timed).
  WallAndCpu reads[4];
  for (unsigned t = 0; t < 4; ++t)
    for (int round = 0; round < tries; ++round) {
      tvl::config::Configuration c = in.conf;
      tvl::an::VectorStore st(static_cast<int>(series.size()), tvl::no_bound_ll);
      if (t >= 2) std::memset(st.data(), 0, static_cast<std::size_t>(st.reserve(frames)) * st.stride() * sizeof(float));
      const WallAndCpu w = best_wall_and_cpu(1, [&] {
        const int got = tvl::an::read_frames(
            s, c, st,
            [&](const tvl::config::Configuration& k, int f, float* r) { tvl::an::plane_normals(defs, series, k, f, r); },
            tvl::no_bound, t % 2 == 1 ? 2 : 1);
        if (got != frames) std::exit(1);
      });
      reads[t].wall = std::min(reads[t].wall, w.wall);
      reads[t].cpu = std::min(reads[t].cpu, w.cpu);
    }

  // Peak memory of whole rotcf runs.
  Run runs[2];
  for (int t = 0; t < 2; ++t)
    runs[t] = run_program({bin + "/rotcf", "-sys", sys, "-gin", gro, "-xtc", xtc, "-time", "0.002", "-tmax", "2",
                           "-nt", std::to_string(t + 1)},
                          out);

  auto line = [&](const char* what, const WallAndCpu& w) {
    std::fprintf(fig, "  %-28s %7.3f s wall %7.3f s cpu  %7.1f us/frame cpu\n", what, w.wall, w.cpu,
                 1e6 * w.cpu / frames);
  };
  line("decoding alone (read_frame)", decode);
  line("rotcf read phase -nt 1", reads[0]);
  line("rotcf read phase -nt 2", reads[1]);
  line("  -nt 1, store touched before", reads[2]);
  line("  -nt 2, store touched before", reads[3]);
  line("filling a fresh store alone", fill);
  for (int t = 0; t < 2; ++t)
    std::fprintf(fig, "  rotcf -nt %d whole run: peak %.1f MB (store %.1f MB)\n", t + 1,
                 static_cast<double>(runs[t].peak_kb) / 1024.0, store_mb);
  const double ser = (scan.cpu + commit.cpu) / frames;
  const double par = std::max(0.0, reads[0].cpu / frames - ser);
  std::fprintf(fig, "  -nt 2 read phase: %.2f x faster than -nt 1 by the wall clock here (goal 1.7 x); on two idle\n"
                    "    cores by the processor times: %.2f x (-nt 1 %.3f s, -nt 2 max(cpu / 2, storing thread) %.3f s)\n",
               reads[0].wall / reads[1].wall, reads[0].cpu / std::max(reads[1].cpu / 2, ser * frames), reads[0].cpu,
               std::max(reads[1].cpu / 2, ser * frames));
  std::fprintf(fig, "  -nt 1 read phase: %.2f x decoding alone by the wall clock, %.2f x by the processor times "
                    "(goal at most 1.5 x)\n",
               reads[0].wall / decode.wall, reads[0].cpu / decode.cpu);
  std::fprintf(fig, "  -nt 1 into a store touched before: %.2f x decoding alone by the processor times\n",
               reads[2].cpu / decode.cpu);
  std::fprintf(fig, "  per frame: %.1f us on the workers (of it %.1f us the store's first touch), %.1f us on the\n"
                    "    storing thread (scan %.1f, taking the row in %.2f)\n",
               1e6 * par, 1e6 * fill.cpu / frames, 1e6 * ser, 1e6 * scan.cpu / frames, 1e6 * commit.cpu / frames);
  std::fprintf(fig, "  estimate from these: %.2f x on 2 cores, %.1f x on 16 cores\n",
               speedup(par, scan.cpu / frames, commit.cpu / frames, 2),
               speedup(par, scan.cpu / frames, commit.cpu / frames, 16));
  if (std::getenv("BENCH_KEEP"))
    std::fprintf(fig, "  files kept in %s\n", dir.c_str());
  else
    std::system(("rm -rf " + dir).c_str());
  std::fclose(fig);
  return 0;
}
