// Main of every unit-test program: runs the tests in a fresh directory of
// their own, so that test processes that ctest runs side by side never share
// scratch files, and removes it afterwards.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::string base = std::filesystem::temp_directory_path() / "tvl-test.XXXXXX";
  char* dir = mkdtemp(base.data());
  if (!dir || chdir(dir) != 0) {
    std::perror("cannot make a scratch directory");
    return 1;
  }
  int rc = RUN_ALL_TESTS();
  if (chdir("/") == 0) {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  return rc;
}
