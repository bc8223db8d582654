// The error type, the main wrapper and the checked output file.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/outfile.h"

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
  EXPECT_EQ(tvl::run_main(1, argv, body_ok), 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(tvl::run_main(1, argv, body_stop), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), " ERROR:\n something\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(tvl::run_main(1, argv, body_usage), 2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), " usage\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(tvl::run_main(1, argv, body_help), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), " help text\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(tvl::run_main(1, argv, body_bad_alloc), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), " ERROR: out of memory\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(tvl::run_main(1, argv, body_logic_error), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), " ERROR: table index out of range\n");
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
  std::ifstream in("outfile_test.txt");
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all, "abc\nde");

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
