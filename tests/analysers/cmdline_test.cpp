// The analysers' command line: both passes, help, version, and the refusal
// of values and layouts that would otherwise be misread.
#include "analysers/cmdline.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "analysers/driver.h"
#include "analysers/mucf_lib.h"
#include "analysers/rotcf_lib.h"
#include "common/error.h"
#include "tests/analysers/invoke.h"

namespace tvl::an {
namespace {

struct Result : Outcome {
  Settings s;
};

Result parse(std::vector<std::string> args, const ProgramText& prog = rotcf_text()) {
  Result r;
  static_cast<Outcome&>(r) = invoke(std::move(args), [&](int argc, char** argv) {
    r.s = parse_command_line(argc, argv, prog);
    return -1;  // no status: the command line was accepted
  });
  return r;
}

const std::vector<std::string> kSyntax = {" ROTCF ERROR: Syntax error in command-line"};
const std::vector<std::string> kCheck = {" ERROR: Check commandline arguments"};

TEST(CommandLine, HelpOnlyWithFewerThanTwoArguments) {
  Result h = parse({"-help"});
  EXPECT_EQ(h.status, 0);
  ASSERT_EQ(h.lines.size(), 19u);
  EXPECT_EQ(h.lines[1], "  ROTCF - reorientational time-correlation functions");
  EXPECT_EQ(h.lines[15], "             (In both cases a \"1\" means every config)");
  EXPECT_EQ(h.lines[16], "            -corr : correlation engine: direct or fft (default: the faster one for the job)");
  EXPECT_EQ(h.lines[17], "            -nt   : threads reading the trajectories and correlating (default: one per core)");
  Result none = parse({});
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.lines, rotcf_text().short_help);
  // -version alone shows the short help; -help among more arguments is ignored
  EXPECT_EQ(parse({"-version"}).lines, rotcf_text().short_help);
  EXPECT_EQ(parse({"", "-help"}).status, 0);
  EXPECT_EQ(parse({"   ", "-help"}).status, 0);  // blanks only count as empty
  Result two = parse({"-help", "-x"});
  EXPECT_EQ(two.lines.front(), " ROTCF ERROR: -time has to be specified");
  EXPECT_EQ(parse({"-help"}, mucf_text()).lines[1],
            "  MUCF - dipole-dipole (P1,P2) reorientational time-correlation functions");
}

TEST(CommandLine, LaterOccurrenceWinsAndEveryValueIsEchoed) {
  Result r = parse({"-time", "0.5", "-tmax", "10", "-time", "1.0", "-tgap", "3", "-sgap", "2", "-gap", "3"});
  ASSERT_FALSE(r.stopped) << r.lines.front();
  EXPECT_EQ(r.s.dtime, 1.0f);
  EXPECT_EQ(r.s.tmax, 10);
  EXPECT_EQ(r.s.tgap, 3);
  EXPECT_EQ(r.s.sgap, 2);
  EXPECT_EQ(r.s.ngap, 3);
  EXPECT_EQ(r.out,
            " dtime:  0.5\n dtime:  1.0\n dtmax:  10\n dtgap:  3\n stgap:  2\n ngap:  3\n");
  EXPECT_FLOAT_EQ(scaled_dtime(r.s), 3.0f);
}

TEST(CommandLine, GapScalesTheTimeStep) {
  Result r = parse({"-time", "0.2", "-tmax", "5", "-gap", "3"});
  EXPECT_EQ(scaled_dtime(r.s), 3.0f * 0.2f);
  Result z = parse({"-time", "0.2", "-tmax", "5", "-gap", "0"});
  EXPECT_EQ(scaled_dtime(z.s), 0.2f);  // -gap 0 behaves as -gap 1
}

TEST(CommandLine, MissingTimeOrTmaxStops) {
  EXPECT_EQ(parse({"-tmax", "5", "-sys", "a"}).lines,
            std::vector<std::string>{" ROTCF ERROR: -time has to be specified"});
  Result r = parse({"-time", "1", "-sys", "a"}, mucf_text());
  EXPECT_EQ(r.lines, std::vector<std::string>{" MUCF ERROR: -tmax has to be specified"});
  EXPECT_EQ(r.status, 2);
  // -version needs a command line that passes the first pass
  EXPECT_EQ(parse({"-version", "-sys", "a"}).lines.front(), " ROTCF ERROR: -time has to be specified");
  Result v = parse({"-time", "1", "-tmax", "2", "-version"});
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.lines, std::vector<std::string>{" TARVELO Version: 4.16"});
}

TEST(CommandLine, RefusesValuesThatCannotBeUsed) {
  for (auto args : std::vector<std::vector<std::string>>{
           {"-time", "x", "-tmax", "5"},
           {"-time", "-0.02", "-tmax", "5"},  // a time step must be above 0
           {"-time", "0", "-tmax", "5"},
           {"-time", "1", "-tmax", "5.5"},
           {"-time", "1", "-tmax", "-5"},
           {"-time", "1", "-tmax", "5", "-tgap", "0"},
           {"-time", "1", "-tmax", "5", "-sgap", "0"},
           {"-time", "1", "-tmax", "5", "-gap", "-1"},
           {"-time", "1", "-tmax", "5", "-gap"},  // last option without value
           {"-tmax", "5", "-time"},
           {"-time", "1", "-tmax", "5", "-crd", "a", "-xtc", "b"},  // two lists
           {"-time", "1", "-tmax", "5", "-crd", "a", "-crd", "b"},
       }) {
    Result r = parse(args);
    EXPECT_EQ(r.lines, kSyntax) << args[args.size() - 1];
    EXPECT_EQ(r.status, 2);
  }
  Result m = parse({"-time", "1", "-tmax", "5", "-tgap", "0"}, mucf_text());
  EXPECT_EQ(m.lines, std::vector<std::string>{" MUCF ERROR: Syntax error in command-line"});
}

TEST(CommandLine, TimesBeyondTheSinglePrecisionRangeAreRefused) {
  Result r = parse({"-time", "1e38", "-tmax", "5"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.lines, std::vector<std::string>{
                         " ROTCF ERROR: -time, -gap and -tmax give times beyond the range of single-precision reals"});
  EXPECT_EQ(parse({"-time", "1e36", "-tmax", "5", "-gap", "1000"}).status, 2);
  Result ok = parse({"-time", "1e36", "-tmax", "5", "-gap", "10"});
  EXPECT_FALSE(ok.stopped);
}

TEST(CommandLine, MoreThanAHundredArgumentsAreRefused) {
  std::vector<std::string> a = {"-time", "1", "-tmax", "5", "-xtc"};
  while (a.size() < 100) a.push_back("t.xtc");
  Result ok = parse(a);
  ASSERT_FALSE(ok.stopped);
  EXPECT_EQ(ok.s.trajs.size(), 95u);
  a.push_back("t.xtc");
  EXPECT_EQ(parse(a).lines, kSyntax);
}

TEST(CommandLine, TrajectoryListEndsAtTheNextOption) {
  Result r = parse({"-time", "1", "-tmax", "5", "-xtc", "a.xtc", "b.xtc", "-sys", "w.sys", "-in", "w.str"});
  ASSERT_FALSE(r.stopped);
  EXPECT_EQ(r.s.kind, "xtc");
  EXPECT_EQ(r.s.trajs, (std::vector<std::string>{"a.xtc", "b.xtc"}));
  EXPECT_EQ(r.s.sys, "w.sys");
  EXPECT_EQ(r.s.in, "w.str");
  EXPECT_EQ(r.s.gin, "-");
  EXPECT_EQ(r.s.verbosity, 0);
}

TEST(CommandLine, OptionsAfterTheTwentiethArgumentAreSeen) {
  std::vector<std::string> a = {"-time", "1", "-tmax", "5", "-crd"};
  for (int i = 0; i < 30; ++i) a.push_back(std::string("f").append(std::to_string(i)).append(".crd"));
  a.insert(a.end(), {"-sys", "late.sys", "-gin", "late.gro"});
  Result r = parse(a);
  ASSERT_FALSE(r.stopped);
  EXPECT_EQ(r.s.sys, "late.sys");
  EXPECT_EQ(r.s.gin, "late.gro");
  EXPECT_EQ(r.s.trajs.size(), 30u);
}

TEST(CommandLine, TrailingBlanksOfArgumentsDoNotMatter) {
  Result r = parse({"-time ", "0.5  ", "-tmax  ", "4", "-xtc ", "a.xtc  ", "b.xtc", "-sys ", "w.sys "});
  ASSERT_FALSE(r.stopped) << r.lines.front();
  EXPECT_EQ(r.s.dtime, 0.5f);
  EXPECT_EQ(r.s.tmax, 4);
  EXPECT_EQ(r.s.kind, "xtc");
  EXPECT_EQ(r.s.trajs, (std::vector<std::string>{"a.xtc", "b.xtc"}));
  EXPECT_EQ(r.s.sys, "w.sys");
  EXPECT_EQ(parse({"-help "}).status, 0);
}

TEST(CommandLine, NameOptionsNeedAName) {
  EXPECT_EQ(parse({"-time", "1", "-tmax", "5", "-sys", "-in", "x"}).lines, kCheck);
  EXPECT_EQ(parse({"-time", "1", "-tmax", "5", "-in"}).lines, kCheck);
  EXPECT_EQ(parse({"-time", "1", "-tmax", "5", "-crd", "-sys", "x"}).lines, kCheck);
  EXPECT_EQ(parse({"-time", "1", "-tmax", "5", "-out", ""}).lines, kCheck);
  EXPECT_EQ(parse({"-time", "1", "-tmax", "5", "-s", "abc"}).lines, kCheck);
  EXPECT_EQ(parse({"-time", "1", "-tmax", "5", "-s", "abc"}).status, 2);
  EXPECT_FALSE(parse({"-time", "1", "-tmax", "5", "-s", "2.5", "-par", "p"}).stopped);
}

TEST(CommandLine, VerbosityAndBanner) {
  Result r = parse({"-time", "1", "-tmax", "5", "-v"});
  EXPECT_EQ(r.s.verbosity, 1);
  EXPECT_NE(r.out.find(std::string(46, '-') + "\n  The  T A R V E L O  Package  Version 4.160\n"), std::string::npos);
  EXPECT_EQ(parse({"-time", "1", "-tmax", "5", "-v", "3"}).s.verbosity, 3);
  EXPECT_EQ(parse({"-time", "1", "-tmax", "5", "-v", "-sys", "s"}).s.verbosity, 1);
}

TEST(CommandLine, OverlongArgumentIsRefused) {
  Result r = parse({"-time", "1", "-tmax", "5", "-sys", std::string(129, 'a')});
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.status, 2);
}

}  // namespace
}  // namespace tvl::an

namespace tvl::an {
namespace {

// -nt takes 1 .. max_threads threads and is not echoed; without it the
// caller's choice stands (0).
TEST(CommandLine, ThreadCount) {
  const std::vector<std::string> base = {"-sys", "a.sys", "-xtc", "a.xtc", "-time", "1", "-tmax", "2"};
  auto with = [&](std::vector<std::string> more) {
    std::vector<std::string> a = base;
    a.insert(a.end(), more.begin(), more.end());
    return parse(a);
  };
  EXPECT_EQ(with({}).s.nthreads, 0);
  const Result r = with({"-nt", "3"});
  EXPECT_EQ(r.s.nthreads, 3);
  EXPECT_EQ(r.out, with({}).out);
  EXPECT_EQ(with({"-nt", std::to_string(max_threads)}).s.nthreads, max_threads);
  for (const std::string& bad : std::vector<std::string>{"0", "-2", "many", std::to_string(max_threads + 1)}) {
    const Result b = with({"-nt", bad});
    EXPECT_EQ(b.status, exit_usage) << bad;
    EXPECT_EQ(b.lines, kSyntax) << bad;
  }
  EXPECT_EQ(with({"-nt"}).status, exit_usage);
}

}  // namespace
}  // namespace tvl::an
