// rotcf: reorientational time-correlation functions of molecular plane normals.
#include "analysers/rotcf_lib.h"
#include "common/error.h"

namespace {
int body(int argc, char** argv) { return tvl::an::run_rotcf(argc, argv); }
}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
