#pragma once
// Free-format numeric input of the charge and potential tools: records of a
// known number of words, read from a file or standard input, with every
// failure reported as a message naming the input and the line.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/infile.h"
#include "common/text/fortran.h"

namespace tvl::esp {

class NumberInput {
 public:
  // `label` names the input in messages ("\"esp.dat\"" or "standard input").
  // With one_line_records every record must hold its words on one line (a
  // record read as one text line); otherwise a record may go on over the
  // following lines, as free-format reading does.
  NumberInput(std::FILE* f, std::string label, bool one_line_records = false)
      : f_(f), in_(f), label_(std::move(label)), one_line_(one_line_records) {}

  // Reads the next record's first n words. At the end of the input it returns
  // false when end_ok, else stops: "<label> ends early: <what> expected".
  bool record(std::size_t n, std::string_view what, bool end_ok = false);
  // The k-th word (0-based) of the last record as a number; stops naming the
  // line and the word when it is not one.
  double real(std::size_t k) const;
  long long integer(std::size_t k) const;

  // A raw text line (read errors stop); false at the end of the input.
  bool line(std::string& s);
  // A raw text line that must be there: at the end of the input it stops
  // as record() does, naming `what`.
  void need_line(std::string& s, std::string_view what);

  // Stops with "<label>, line <n>: <msg>" (n the last line read).
  [[noreturn]] void fail(std::string_view msg) const;
  [[noreturn]] void fail_at(long line, std::string_view msg) const;
  long line_number() const { return in_.line_number(); }
  const std::string& label() const { return label_; }

 private:
  void check(text::LineReader::Status s);
  // "<label> ends early: <what> expected at line <line>".
  [[noreturn]] void ends_early(std::string_view what, long line) const;
  std::FILE* f_;
  text::LineReader in_;
  std::string label_;
  bool one_line_;
  std::vector<std::string> words_;
  std::string what_;
};

// Opens an existing input file or stops naming it; a missing file is never created.
InFile open_input(const std::string& name);

// Stops (exit 1) when `count` exceeds the capacity `limit`, naming both:
// "<label>: <count> <what>, at most <limit> allowed (<limit_name> in tvl_const)".
void check_limit(const std::string& label, long long count, std::string_view what, long long limit,
                 std::string_view limit_name);

}  // namespace tvl::esp
