#include "common/error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace tvl {

const char* Stop::what() const noexcept {
  if (joined_.empty()) {
    for (const auto& l : lines) {
      joined_ += l;
      joined_ += '\n';
    }
  }
  return joined_.c_str();
}

void stop(std::vector<std::string> lines, int status, Stream stream) {
  throw Stop(std::move(lines), status, stream);
}

void stop_ok(std::vector<std::string> lines, Stream stream) {
  throw Stop(std::move(lines), exit_ok, stream);
}

void print_stop(const Stop& s) {
  std::FILE* f = s.stream == Stream::err ? stderr : stdout;
  for (const auto& l : s.lines) {
    std::fwrite(l.data(), 1, l.size(), f);
    std::fputc('\n', f);
  }
}

namespace {
int finish_stdout(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    int e = errno;
    std::fprintf(stderr, "ERROR: cannot write standard output: %s\n",
                 e ? std::strerror(e) : "write error");
    return exit_error;
  }
  return status;
}
}  // namespace

int run_main(int argc, char** argv, int (*body)(int, char**)) {
  int status = exit_error;
  try {
    status = body(argc, argv);
  } catch (const Stop& s) {
    print_stop(s);
    status = s.status;
  } catch (const std::bad_alloc&) {
    // Like every failure message: a free-format line on standard output.
    std::fputs(" ERROR: out of memory\n", stdout);
    status = exit_error;
  } catch (const std::exception& e) {
    std::fprintf(stdout, " ERROR: %s\n", e.what());
    status = exit_error;
  }
  return finish_stdout(status);
}

}  // namespace tvl
