// The error type, the main wrapper and the checked output file.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/outfile.h"
#include "tests/support/support.h"

namespace {

int body_ok(int, char**) { return 0; }
int body_stop(int, char**) { tvl::stop({" ERROR:", " something"}); }
int body_usage(int, char**) { tvl::stop({" usage"}, tvl::exit_usage); }
int body_help(int, char**) { tvl::stop_ok({" help text"}); }
int body_bad_alloc(int, char**) { throw std::bad_alloc(); }
int body_logic_error(int, char**) { throw std::out_of_range("table index out of range"); }

TEST(RunMain, MapsEveryEndToItsStatus) {
  char prog[] = "prog";
  char* argv[] = {prog, nullptr};
  struct Case {
    int (*body)(int, char**);
    int status;
    const char* out;
  };
  for (const Case& c : {Case{body_ok, 0, ""}, Case{body_stop, 1, " ERROR:\n something\n"},
                        Case{body_usage, 2, " usage\n"}, Case{body_help, 0, " help text\n"},
                        Case{body_bad_alloc, 1, " ERROR: out of memory\n"},
                        Case{body_logic_error, 1, " ERROR: table index out of range\n"}}) {
    int status = -1;
    EXPECT_EQ(tvl::test::capture_stdout([&] { status = tvl::run_main(1, argv, c.body); }), c.out);
    EXPECT_EQ(status, c.status) << c.out;
  }
}

TEST(RunMain, ErrorStreamMessagesGoToStandardError) {
  tvl::Stop s({"xdrclose: passed a NULL pointer"}, 1, tvl::Stream::err);
  testing::internal::CaptureStderr();
  tvl::print_stop(s);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "xdrclose: passed a NULL pointer\n");
}

TEST(OutFile, WritesAndClosesCheckedAndReportsAFullDisk) {
  {
    tvl::OutFile f("outfile_test.txt");
    f.line("abc");
    f.write("de", 2);
    f.close();
  }
  EXPECT_EQ(tvl::test::read_file("outfile_test.txt"), "abc\nde");

  // /dev/full accepts the open but fails every write: the failure must show
  // at the latest when the file is closed, naming the file.
  std::FILE* probe = std::fopen("/dev/full", "w");
  if (probe) {
    std::fclose(probe);
    tvl::OutFile full("/dev/full");
    try {
      for (int i = 0; i < 10000; ++i) full.line("0123456789012345678901234567890123456789");
      full.close();
      ADD_FAILURE() << "a write to a full device was reported as success";
    } catch (const tvl::Stop& s) {
      EXPECT_EQ(s.status, 1);
      EXPECT_NE(std::string(s.what()).find("/dev/full"), std::string::npos);
    }
  }
}

TEST(OutFile, UnwritablePathIsAnErrorNamingTheFile) {
  try {
    tvl::OutFile f("no/such/dir/out.dat");
    ADD_FAILURE() << "opened a file in a missing directory";
  } catch (const tvl::Stop& s) {
    EXPECT_EQ(s.status, 1);
    // A free-format message: one blank in front, the file named in quotes.
    EXPECT_EQ(s.lines, (std::vector<std::string>{
                           " ERROR: cannot create file \"no/such/dir/out.dat\": No such file or directory"}));
  }
}

}  // namespace
