#include "analysers/driver.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "common/config/gro.h"
#include "common/config/structure.h"
#include "common/error.h"
#include "common/infile.h"
#include "common/outfile.h"
#include "common/sysfile/int_init.h"
#include "common/text/fortran.h"
#include "common/traj/trajectory.h"
#include "common/tvl_const.h"

namespace tvl::an {

using text::FreeLine;
using text::free_text;

namespace {

// The block written before the trajectories are read.
void print_block(const std::string& upper) {
  out_line(" " + std::string(50, '-'));
  out_line("");
  out_line("    " + upper);
  out_line("");
  out_line("    ....reading data");
  out_line("");
}

// Stops when fewer configurations than tmax were kept.
void check_frames(int frames, const Settings& s, const std::string& upper) {
  if (frames < s.tmax)
    stop({free_text(upper + " ERROR: size of tcf-array is larger than "),
          free_text("number of configurations in crd-file")});
}

void print_configurations(int frames) {
  out_line(FreeLine().t("              Configurations: ").i(frames).str());
}

// Seconds since a fixed start point of the steady clock.
double seconds_now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Speed lines at verbosity 1 or more: frames per second of the read, lag x
// origin x series pairs per second of the correlation.
void report_read_speed(int frames, double seconds) {
  out_line(FreeLine()
               .t("Reading:")
               .i(frames)
               .t(" configurations in")
               .r(std::round(seconds * 1000.0) / 1000.0)
               .t(" s,")
               .r(std::round(seconds > 0 ? frames / seconds : 0.0))
               .t(" frames/s")
               .str());
}

void report_correlation_speed(const LagScheme& lags, int nseries, double seconds, Engine used, Engine asked,
                              unsigned threads) {
  const long long pairs = lags.pairs() * nseries;
  out_line(FreeLine()
               .t("Correlation:")
               .i(pairs)
               .t(" lag x origin x series pairs in")
               .r(std::round(seconds * 1000.0) / 1000.0)
               .t(" s,")
               .r(std::round(seconds > 0 ? static_cast<double>(pairs) / seconds : 0.0))
               .t(" pairs/s on")
               .i(threads)
               .t(" threads, ")
               .t(engine_text(used))
               .t(asked == Engine::automatic ? " engine (automatic choice)" : " engine (-corr)")
               .str());
}

}  // namespace

Inputs load_inputs(const Settings& s, const RunLimits& lim) {
  Inputs in;
  in.sysfile = sys::load_system_file(s.sys);
  in.sys = sys::readsys(s.verbosity, in.sysfile, lim.sys);
  config::Cutoff cut;  // no cut-off and no neighbour list in the analysers
  std::string name = s.in;
  bool found = config::read_str(name, s.verbosity, in.sys, in.conf, cut, lim.config);
  if (!found) {
    name = s.gin;
    found = config::read_gro(name, s.verbosity, in.sys, in.conf, cut, lim.config);
  }
  if (!found) stop({free_text("ERROR: No configuration file available!!")});
  in.config_name = name;
  if (s.verbosity >= 1) {
    out_line(free_text("INITAL STRUCTURE HAS BEEN TAKEN FROM FILE"));
    out_line(free_text("VELOCITIES HAVE BEEN TAKEN FROM FILE"));
  }
  double ewald_fac = 0.0;
  sys::int_init(in.sys, in.conf.sptype, in.conf.mol_type, 0.0, ewald_fac);
  if (s.verbosity >= 1) out_line(free_text("INTERACTION MATRIX INITIALISED"));
  if (in.conf.m == 0) stop({free_text("ERROR:"), free_text("Simulation contains no molecules !!!")});
  return in;
}

void keep_inputs(const Settings& s, const Inputs& in, const std::vector<std::string>& results,
                 const std::string& upper) {
  std::vector<std::string> inputs = {in.sysfile.name, in.config_name};
  inputs.insert(inputs.end(), s.trajs.begin(), s.trajs.end());
  for (const std::string& r : results)
    for (const std::string& i : inputs)
      if (same_file(r, i))
        stop({free_text(upper + " ERROR: the result file " + text::quoted(r) + " is the input file " +
                        text::quoted(i) + ";"),
              free_text("writing the results would destroy it: run in another directory or rename the input")});
}

float scaled_dtime(const Settings& s) {
  const int skip = s.ngap > 0 ? s.ngap - 1 : s.ngap;
  return static_cast<float>(skip + 1) * s.dtime;
}

int read_frames(const Settings& s, config::Configuration& conf, VectorStore& store,
                const std::function<void(const config::Configuration&, int, float*)>& reduce, int nstmax,
                unsigned nthreads) {
  traj::TrajList list;
  if (s.trajs.empty()) return 0;
  if (!traj::kind_from_text(s.kind, list.kind)) return 0;
  list.names = s.trajs;
  list.ngap = s.ngap;
  // The frame loop stops on a trajectory whose site count differs from the
  // configuration's; the frame counter shows only on a terminal.
  traj::LoopOptions opt;
  opt.counter = true;
  const int most = std::min(nstmax, tvl::nstceil);
  traj::RowLoop rows;
  rows.threads = worker_threads(nthreads);
  rows.row = store.stride();
  rows.whole = true;
  rows.reduce = [&](const config::Configuration& c, long f, float* row) { reduce(c, static_cast<int>(f), row); };
  rows.room = [&](long last, long& held) {
    held = static_cast<long>(std::min<long long>(store.reserve(last), most));
    return store.data();
  };
  rows.place = [&](long f, bool written) {
    if (f > most)
      stop({free_text("ERROR: too many timesteps..."), free_text("       increase nstmax parameter !!")});
    if (!store.fits_one_more())
      stop({free_text("ERROR: not enough memory available"),
            free_text("       increase buffsize parameter !!"),
            FreeLine()
                .t("Current buffersize:")
                .i(store.limit())
                .t(" = ")
                .r(static_cast<double>(store.limit()) * 4.0 / (1024.0 * 1024.0))
                .t("MByte")
                .str()});
    return written ? store.commit() : store.append();
  };
  return static_cast<int>(traj::frame_loop_rows(list, conf, rows, opt));
}

LagScheme lag_scheme(const Settings& s, int frames) {
  LagScheme l;
  l.frames = frames;
  l.tmax = s.tmax;
  l.tgap = s.tgap;
  l.sgap = s.sgap;
  return l;
}

std::string result_line(float time, const std::vector<double>& values) {
  std::string line = text::fmt_e(time, 15, 5);
  int on_line = 1;
  for (double v : values) {
    if (on_line == 10) {
      line += '\n';
      on_line = 0;
    }
    line += text::fmt_e(v, 15, 5);
    ++on_line;
  }
  return line;
}

Correlated read_and_correlate(const Settings& s, config::Configuration& conf, const Analysis& a,
                              const RunOptions& opt) {
  print_block(a.upper);
  // -nt sets the threads of the whole run; without it the caller's choice.
  const unsigned threads = worker_threads(s.nthreads > 0 ? static_cast<unsigned>(s.nthreads) : opt.nthreads);
  VectorStore store(a.nseries, opt.limits.buffsize);
  const double t_read = seconds_now();
  const int F = read_frames(s, conf, store, a.reduce, opt.limits.nstmax, threads);
  if (s.verbosity >= 1) report_read_speed(F, seconds_now() - t_read);
  check_frames(F, s, a.upper);
  print_configurations(F);
  for (const auto& l : a.summary) out_line(l);
  out_line(" ");
  out_line(" Molecules....");
  Correlated r;
  r.lags = lag_scheme(s, F);
  const double t_corr = seconds_now();
  const Engine engine = choose_engine(s.corr, r.lags, a.nseries, a.ngroups, threads);
  r.sums = correlate_with(engine, store.series(), a.group, a.ngroups, r.lags, a.leg, threads, a.progress);
  if (s.verbosity >= 1)
    report_correlation_speed(r.lags, a.nseries, seconds_now() - t_corr, engine, s.corr, threads);
  return r;
}

}  // namespace tvl::an
