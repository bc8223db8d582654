// mucf: dipole-dipole reorientational time-correlation functions per molecule type.
#include "analysers/mucf_lib.h"
#include "common/error.h"

namespace {
int body(int argc, char** argv) { return tvl::an::run_mucf(argc, argv); }
}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
