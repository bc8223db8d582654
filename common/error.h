#pragma once
// The one error type of the suite. Library code throws it where a program
// must stop; only run_main() prints it and turns it into the exit status.
#include <exception>
#include <string>
#include <vector>

namespace tvl {

enum class Stream { out, err };

// Exit statuses of every program.
inline constexpr int exit_ok = 0;      // normal end, help or version shown
inline constexpr int exit_error = 1;   // error stop
inline constexpr int exit_usage = 2;   // usage shown because arguments are missing or wrong

struct Stop : std::exception {
  std::vector<std::string> lines;  // written one per line, exactly as given
  int status = exit_error;
  Stream stream = Stream::out;

  Stop() = default;
  explicit Stop(std::vector<std::string> l, int st = exit_error, Stream s = Stream::out)
      : lines(std::move(l)), status(st), stream(s) {}
  const char* what() const noexcept override;

 private:
  mutable std::string joined_;
};

// Throws a Stop with the given lines.
[[noreturn]] void stop(std::vector<std::string> lines, int status = exit_error,
                       Stream stream = Stream::out);
// A clean end that must not run the rest of the program (help, version).
[[noreturn]] void stop_ok(std::vector<std::string> lines = {}, Stream stream = Stream::out);

// Writes the lines of a Stop to its stream.
void print_stop(const Stop& s);

// Runs a program body: catches Stop (prints it, returns its status), out of
// memory and other exceptions (a message line on standard output, status 1),
// and checks that standard output was written completely (a full disk is an
// error, not a success; that one failure is reported on standard error).
int run_main(int argc, char** argv, int (*body)(int argc, char** argv));

}  // namespace tvl
