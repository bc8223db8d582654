#include "topgen/input.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "common/error.h"
#include "common/outfile.h"
#include "common/text/fortran.h"

namespace tvl::topgen {

namespace tx = tvl::text;

const std::string& Record::word(int i) const {
  static const std::string none;
  return i >= 1 && i <= maxwords ? w[static_cast<std::size_t>(i - 1)] : none;
}

std::string Record::label(int i, std::size_t n) const { return word(i).substr(0, n); }

void cannot_open(const std::string& name) {
  stop({" ERROR: cannot open file " + tx::quoted(name) + ": " + std::strerror(errno)});
}

void file_error(const std::string& name, long line, const std::string& text, std::string_view what) {
  stop({" ERROR: file " + tx::quoted(name) + ", line " + std::to_string(line) + ": " + std::string(what),
        "  " + text});
}

RecordFile::RecordFile(const std::string& name) : name_(name), f_(open_in(name)) {
  if (!f_) cannot_open(name);
}

bool RecordFile::next(Record& r) {
  try {
    if (!rec::get_record(f_.get(), record_len, r.text, rec::Variant::topgen, &r.line)) return false;
  } catch (const rec::LongLine& l) {
    if (!cut(r))
      fail(" ERROR: file " + tx::quoted(name_) + ", line " + std::to_string(l.line) +
           " is longer than " + std::to_string(record_len) + " columns.");
  } catch (const Stop&) {  // a read error: name the file
    fail(" ERROR: cannot read file " + tx::quoted(name_) + ": " + std::strerror(errno));
  }
  r.text.resize(tx::trim_right(r.text).size());
  r.nw = rec::split_record(r.text, r.w, record_len);
  // Only a record that filled every word slot can hold more words: count them then.
  int words = 0;
  if (r.nw == maxwords)
    for (std::size_t i = 0; i < r.text.size(); ++i)
      if (r.text[i] != ' ' && (i == 0 || r.text[i - 1] == ' ')) ++words;
  r.more = words > maxwords;
  return true;
}

bool RecordFile::cut(Record& r) {
  if (cut_prefix_.empty()) return false;
  if (!rec::cut_record(f_.get(), record_len, r.text, rec::Variant::topgen, tx::LineReader::max_line)) {
    if (std::ferror(f_.get())) fail(" ERROR: cannot read file " + tx::quoted(name_) + ": " + std::strerror(errno));
    return false;
  }
  // The record starts with the prefix, so its first blank ends its first word.
  return starts(r.text, cut_prefix_) && r.text.find(' ') != std::string::npos;
}

void RecordFile::fail(std::string_view what) const { stop({std::string(what)}); }

void RecordFile::fail(long line, const std::string& text, std::string_view what) const {
  file_error(name_, line, text, what);
}

void RecordFile::need(const Record& r, long long n, bool all) const {
  if (r.more && (all || n > maxwords)) fail(r, "more than " + std::to_string(maxwords) + " words");
  if (r.nw < n) fail(r, "too few words (" + std::to_string(n) + " needed)");
}

double RecordFile::real(const Record& r, int i) const {
  double v = 0;
  if (!tx::parse_real(r.word(i), v)) fail(r, "word " + std::to_string(i) + " is not a number");
  return v;
}

double RecordFile::non_negative(const Record& r, int i, std::string_view what) const {
  const double v = real(r, i);
  if (v < 0)
    fail(r, std::string(what) + " (word " + std::to_string(i) + ") is negative: " + tx::free_real(v));
  return v;
}

double RecordFile::finite(const Record& r, double v, std::string_view what) const {
  if (!std::isfinite(v)) fail(r, std::string(what) + " is not a finite number: " + tx::free_real(v));
  return v;
}

int RecordFile::integer(const Record& r, int i) const {
  int v = 0;
  if (!tx::parse_int(r.word(i), v)) fail(r, "word " + std::to_string(i) + " is not an integer");
  return v;
}

std::string one_line(std::string_view s) {
  std::string r(tx::trim_right(s));
  for (char& c : r)
    if (c == '\n' || c == '\r') c = '?';
  return r;
}

void warning(std::string_view text) {
  std::string line = "# WARNING: ";
  for (char c : one_line(text)) line += c == '{' ? '(' : c == '}' ? ')' : c;
  out_line(line);
}

}  // namespace tvl::topgen
