// The record toolkit: records, words and section keywords of keyword files.
#include "common/text/records.h"

#include <algorithm>

#include "common/text/fortran.h"

namespace tvl::rec {

LongLine::LongLine(long line_no, std::size_t len)
    : tvl::Stop({line_no > 0 ? " Line " + std::to_string(line_no) + " is longer than " +
                                   std::to_string(len) + " columns."
                             : " A line is longer than " + std::to_string(len) + " columns."}),
      line(line_no),
      L(len) {}

namespace {

bool misc_char(char c, Variant v) {
  return c == ',' || c == '=' || c == '\t' || (v == Variant::topgen && c == '"');
}

enum class Got { line, eof, error };

// Reads one physical line, keeping only its first L columns, so that a huge
// line (a binary file read by mistake) costs no memory. The end-of-line CR of
// a CRLF file is dropped. *data_beyond is set when a column past L holds
// anything but a blank, a separator or a CR before a comment begins: cutting
// the line there would lose data.
Got read_record_line(std::FILE* in, std::size_t L, Variant v, std::string& line,
                     bool* data_beyond) {
  line.clear();
  *data_beyond = false;
  bool any = false, comment = false;
  std::size_t len = 0;
  for (;;) {
    int c = getc_unlocked(in);  // one reader per stream: no locking per byte
    if (c == EOF) break;
    any = true;
    if (c == '\n') break;
    char ch = static_cast<char>(c);
    if (ch == '#') comment = true;
    if (len < L)
      line += ch;
    else if (!comment && ch != ' ' && ch != '\r' && !misc_char(ch, v)) {
      // The line is an error whatever follows: stop here, so that an endless
      // line (a device, a binary file) cannot keep the reader busy.
      *data_beyond = true;
      return Got::line;
    }
    ++len;
  }
  if (std::ferror(in)) return Got::error;
  if (!any) return Got::eof;
  if (len <= L && !line.empty() && line.back() == '\r') line.pop_back();
  return Got::line;
}

// A line's first L columns as a record: padded, comment and separators
// blanked, lower case (an empty record stays all blank).
void clean(std::string& record, std::size_t L, Variant v) {
  record.resize(L, ' ');
  remove_comment(record);
  remove_misc(record, v);
  low_case(record);
}

}  // namespace

bool get_record(std::FILE* in, std::size_t L, std::string& record, Variant v, long* line_no) {
  for (;;) {
    bool data_beyond = false;
    Got s = read_record_line(in, L, v, record, &data_beyond);
    if (s == Got::eof) return false;
    if (s == Got::error) {
      // The analysers treat a failed read like an end (callers tell the two
      // apart with std::ferror); topgen stops.
      if (v == Variant::topgen) tvl::stop({" ERROR: read error on an input file."});
      return false;
    }
    if (line_no) ++*line_no;
    if (data_beyond) throw LongLine(line_no ? *line_no : 0, L);
    clean(record, L, v);
    if (rec::empty(std::string_view(record))) continue;
    return true;
  }
}

bool cut_record(std::FILE* in, std::size_t L, std::string& record, Variant v, std::size_t limit) {
  for (std::size_t n = 0;; ++n) {
    int c = getc_unlocked(in);
    if (c == '\n' || (c == EOF && !std::ferror(in))) break;
    if (c == EOF || n >= limit) return false;
  }
  clean(record, L, v);  // the columns read before the line was found too long
  return true;
}

RecordList read_records(std::FILE* in, std::size_t L) {
  RecordList list;
  long line_no = 0;
  std::string record;
  try {
    while (get_record(in, L, record, Variant::analysers, &line_no)) list.records.push_back({record, line_no});
  } catch (const LongLine& e) {
    list.long_line = e;
    return list;
  }
  list.read_error = std::ferror(in) != 0;
  return list;
}

void remove_comment(std::string& record) {
  std::size_t p = record.find('#');
  if (p != std::string::npos) std::fill(record.begin() + static_cast<std::ptrdiff_t>(p), record.end(), ' ');
}

void remove_misc(std::string& record, Variant v) {
  for (char& c : record)
    if (misc_char(c, v)) c = ' ';
}

bool empty(std::string_view record) {
  return record.find_first_not_of(' ') == std::string_view::npos;
}

void low_case(std::string& text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

void up_case(std::string& text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

int split_record(std::string_view record, WordList& words, std::size_t width) {
  for (auto& w : words) w.clear();
  std::size_t i = 0, n = record.size();
  int count = 0;
  while (count < maxwords) {
    while (i < n && record[i] == ' ') ++i;
    if (i >= n) break;
    std::size_t b = i;
    while (i < n && record[i] != ' ') ++i;
    words[static_cast<std::size_t>(count)].assign(record.substr(b, std::min(i - b, width)));
    ++count;
  }
  if (width == 0) count = 0;  // zero-width slots are all blank
  return count;
}

namespace {

// The record is taken as L columns, L at least the record length of keyword
// files: a shorter text reads as if padded with blanks.
std::size_t cols(std::string_view record) {
  return std::max(record.size(), static_cast<std::size_t>(reclen));
}

// Copies the section name that follows a keyword starting at `from` into
// `name` from its first column on: characters after the first '{', blanks
// and '}' dropped, up to the first '}'. Columns beyond `len` already in
// `name` are left as they are.
void key_name(std::string_view record, std::size_t from, std::string& name) {
  bool open = false;
  std::size_t col = 0;
  for (std::size_t k = from; k < record.size(); ++k) {
    char c = record[k];
    if (c == '}') break;
    if (!open) {
      if (c == '{') open = true;
      continue;
    }
    if (c == ' ') continue;
    if (col < static_cast<std::size_t>(reclen)) {
      if (col < name.size())
        name[col] = c;
      else
        name += c;
    }
    ++col;
  }
}

bool word_at(std::string_view record, std::size_t p, std::string_view w) {
  return p + w.size() <= record.size() && record.substr(p, w.size()) == w;
}

}  // namespace

bool begin_key(std::string_view record, std::string& name) {
  name.clear();
  // Most records hold no keyword: one search settles them.
  if (record.find("begin") == std::string_view::npos) return false;
  std::size_t L = cols(record);
  bool found = false;
  // Start columns L-5 down to 1 (0-based L-6 .. 0), right to left.
  for (std::size_t p = L - 5; p-- > 0;) {
    if (!word_at(record, p, "begin")) continue;
    found = true;
    key_name(record, p, name);
  }
  name = std::string(text::trim_right(name));
  return found;
}

bool end_key(std::string_view record, std::string_view name) {
  if (record.find("end") == std::string_view::npos) return false;
  std::size_t L = cols(record);
  std::string cand;
  for (std::size_t p = L - 5; p-- > 0;) {
    if (!word_at(record, p, "end")) continue;
    cand.clear();
    key_name(record, p, cand);
    if (text::same_text(cand, name)) return true;
  }
  return false;
}

int readint(std::string_view text, int& fail) {
  fail = 0;
  std::vector<std::string> w = text::free_words(text);
  int v = 0;
  if (w.empty() || !text::parse_int(w[0], v)) {
    fail = 1;
    return 0;
  }
  return v;
}

double readdble(std::string_view text, int& fail) {
  fail = 0;
  std::vector<std::string> w = text::free_words(text);
  double v = 0;
  if (w.empty() || !text::parse_real(w[0], v)) {
    fail = 1;
    return 0;
  }
  return v;
}

std::size_t slen(std::string_view text) { return text::trim_right(text).size(); }

}  // namespace tvl::rec
