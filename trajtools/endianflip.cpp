// endianflip: reverses the byte order of every 4-byte word of a file, which
// converts crd and velocity files (made of 4-byte items only) between
// big-endian and little-endian machines. The same run converts both ways.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "common/infile.h"
#include "common/outfile.h"
#include "common/standard_flags.h"

namespace {

constexpr std::string_view usage_line = "usage:  endianflip <infile> <outfile>";

std::vector<std::string> help_lines() {
  return {"",
          " ENDIANFLIP ",
          "",
          "   Converts the big endian format to little endian and vice versa. ",
          "   Allows to interchange the binary 'tvl.crd' and 'tvl.vel' files between ",
          "   Intel-architectures and the rest of the world.",
          "",
          "   usage:  endianflip <infile> <outfile>",
          ""};
}

void print_help() {
  for (const auto& l : help_lines()) tvl::out_line(l);
}

// Reverses the bytes of each complete 4-byte word of p[0..n), n a multiple of 4.
void flip_words(unsigned char* p, std::size_t n) {
  for (std::size_t i = 0; i < n; i += 4) {
    std::uint32_t w;
    std::memcpy(&w, p + i, 4);
    w = __builtin_bswap32(w);
    std::memcpy(p + i, &w, 4);
  }
}

int body(int argc, char** argv) {
  tvl::standard_flags(argc, argv, help_lines());
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]) == "-help") {
      print_help();
      return tvl::exit_ok;
    }
  if (argc != 3) tvl::stop({std::string(usage_line)}, tvl::exit_usage);

  const std::string in_name = argv[1];
  const std::string out_name = argv[2];

  tvl::InFile in_file = tvl::open_in(in_name, "rb");
  if (!in_file) tvl::stop({"ERROR: <infile> " + in_name + " does not exist !", "", std::string(usage_line)});
  std::FILE* in = in_file.get();

  // Checked before the output is opened: opening it would truncate the input.
  if (tvl::same_file(in_name, out_name))
    tvl::stop({"ERROR: <outfile> " + out_name + " is the same file as <infile> " + in_name +
               " ; the input would be destroyed"});

  auto read_failed = [&] {
    int e = errno;
    tvl::stop({"ERROR: cannot read <infile> " + in_name + ": " +
               (e ? std::strerror(e) : "read error")});
  };

  // Streams in large blocks; a word split across two reads is completed by
  // the next one (kept at the front of the buffer). The first block is read
  // before the output is created, so an input that cannot be read (a
  // directory) leaves no empty output file behind.
  constexpr std::size_t block = std::size_t(1) << 22;
  std::vector<unsigned char> buf(block);
  std::size_t have = 0;   // bytes at the front of buf not yet written
  std::uint64_t written = 0;
  errno = 0;
  std::size_t got = std::fread(buf.data(), 1, block, in);
  if (std::ferror(in)) read_failed();
  tvl::OutFile out(out_name, "wb");
  for (;;) {
    have += got;
    if (got == 0) break;
    std::size_t whole = have - have % 4;
    flip_words(buf.data(), whole);
    out.write(buf.data(), whole);
    written += whole;
    std::memmove(buf.data(), buf.data() + whole, have - whole);
    have -= whole;
    got = std::fread(buf.data() + have, 1, block - have, in);
  }
  if (std::ferror(in)) read_failed();

  // A trailing group of 1 to 3 bytes cannot come from a crd or velocity file;
  // it is reversed as far as it goes, and the user is told.
  if (have > 0) {
    for (std::size_t i = 0, j = have - 1; i < j; ++i, --j) std::swap(buf[i], buf[j]);
    out.write(buf.data(), have);
    written += have;
  }
  out.close();

  if (have > 0)
    tvl::out_line(" WARNING: the length of <infile> " + in_name +
                  " is not a multiple of 4 bytes; its last " + std::to_string(have) +
                  " byte(s) were reversed as one group");

  char line[64];
  std::snprintf(line, sizeof line, " Filelength : %5llu Byte",
                static_cast<unsigned long long>(written));
  tvl::out_line(" endianflip completed ");
  tvl::out_line(line);
  tvl::out_line("");
  return tvl::exit_ok;
}

}  // namespace

int main(int argc, char** argv) { return tvl::run_main(argc, argv, body); }
