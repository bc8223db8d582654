#pragma once
// Calls an analyser entry point on a command line, as main would, with its
// standard output captured and a Stop caught and kept.
#include <string>
#include <vector>

#include "common/error.h"
#include "tests/support/support.h"

namespace tvl::an {

struct Outcome {
  bool stopped = false;
  int status = -1;                 // status of the Stop, else what the body returned
  std::vector<std::string> lines;  // lines of the Stop, when it stopped
  std::string out;                 // standard output
};

// Runs body(argc, argv) with argv = {"prog", args..., nullptr}.
template <class Body>
Outcome invoke(std::vector<std::string> args, Body&& body) {
  args.insert(args.begin(), "prog");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  Outcome r;
  r.out = test::capture_stdout([&] {
    try {
      r.status = body(static_cast<int>(args.size()), argv.data());
    } catch (const Stop& e) {
      r.stopped = true;
      r.status = e.status;
      r.lines = e.lines;
    }
  });
  return r;
}

}  // namespace tvl::an
