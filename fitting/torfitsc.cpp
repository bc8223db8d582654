// torfitsc: fits a torsion potential (cosine and phase-shifted cosine terms of
// multiplicity 0 .. N-1) to an energy profile by weighted linear least squares.
#include "common/error.h"
#include "fitting/torfit.h"

namespace {
int body(int argc, char** argv) { return tvl::fit::torfit_main(tvl::fit::Series::sincos, argc, argv); }
}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
