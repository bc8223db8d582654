#pragma once
// Records of topgen's input files: 128-column records of the record toolkit
// (topgen variant), split into words, with checked conversions whose
// messages name the file, the line and the record.
#include <array>
#include <string>
#include <string_view>

#include "common/infile.h"
#include "common/text/records.h"

namespace tvl::topgen {

inline constexpr std::size_t record_len = 128;

struct Record {
  std::string text;  // cleaned, lower case, without trailing blanks
  long line = 0;     // physical line of the file, from 1
  rec::WordList w;   // w[0] is word 1; blank slots are empty
  int nw = 0;        // words delivered, at most maxwords
  bool more = false; // the record holds more than maxwords words
  // Word i (1-based); empty when the record has fewer words.
  const std::string& word(int i) const;
  // The first n characters of word i (labels are the first 10).
  std::string label(int i, std::size_t n = 10) const;
};

class RecordFile {
 public:
  // Opens the file; stops with a message naming it when it cannot be read.
  explicit RecordFile(const std::string& name);
  // Next record; false at the end of the file. A line longer than 128
  // columns whose excess holds data stops the program, except as below.
  bool next(Record& r);
  // Records that begin with `prefix` (table headers, of which only the first
  // word is read) may be longer: they are cut at 128 columns, unless their
  // first word reaches the last column and so may have been cut itself.
  void cut_long_records(std::string_view prefix) { cut_prefix_ = prefix; }
  const std::string& name() const { return name_; }

  // Stops with a message naming the file, the line and the record.
  [[noreturn]] void fail(const Record& r, std::string_view what) const { fail(r.line, r.text, what); }
  [[noreturn]] void fail(long line, const std::string& text, std::string_view what) const;
  // Stops with a message naming the file (for conditions of the whole file).
  [[noreturn]] void fail(std::string_view what) const;
  // Stops unless the record has at least n words. Words beyond the 20 that
  // are read are refused when they would be needed: when n exceeds 20, or
  // when `all` says that every word of the record counts.
  void need(const Record& r, long long n, bool all = false) const;
  double real(const Record& r, int i) const;  // word i as a number, or stop
  // Word i as a number that may not be negative (a Lennard-Jones sigma or
  // epsilon: the combination rules take its square root); `what` names it.
  double non_negative(const Record& r, int i, std::string_view what) const;
  // A value computed from the record (a quotient, a unit conversion) as it
  // is stored: stops, naming `what` and the value, unless it is finite.
  double finite(const Record& r, double v, std::string_view what) const;
  int integer(const Record& r, int i) const;  // word i as an integer, or stop

 private:
  // A long line that may be cut (cut_long_records): true when r now holds it.
  bool cut(Record& r);

  std::string name_;
  InFile f_;
  std::string cut_prefix_;
};

// The stop for a file that cannot be opened, and for an input error at a
// line of a file: the message names the file and the line and shows it.
[[noreturn]] void cannot_open(const std::string& name);
[[noreturn]] void file_error(const std::string& name, long line, const std::string& text, std::string_view what);

inline bool starts(std::string_view s, std::string_view key) { return s.starts_with(key); }

// Words 1 to N as labels.
template <std::size_t N>
std::array<std::string, N> labels(const Record& r) {
  std::array<std::string, N> l;
  for (std::size_t i = 0; i < N; ++i) l[i] = r.label(static_cast<int>(i) + 1);
  return l;
}

// Text for one output line: trailing blanks dropped, line breaks written as
// "?", so that a file name in a comment line cannot end the comment.
std::string one_line(std::string_view s);

// A warning line on standard output. topgen's standard output is the system
// file, so a warning is a comment line that holds no section keyword.
void warning(std::string_view text);

}  // namespace tvl::topgen
