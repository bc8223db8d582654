#include "common/esp/numin.h"

#include <cerrno>
#include <cstring>

#include "common/error.h"

namespace tvl::esp {

using text::LineReader;

void NumberInput::fail_at(long line, std::string_view msg) const {
  stop({" ERROR: " + label_ + ", line " + std::to_string(line) + ": " + std::string(msg)});
}

void NumberInput::fail(std::string_view msg) const { fail_at(in_.line_number(), msg); }

void NumberInput::ends_early(std::string_view what, long line) const {
  stop({" ERROR: " + label_ + " ends early: " + std::string(what) + " expected at line " +
        std::to_string(line)});
}

void NumberInput::check(LineReader::Status s) {
  if (s == LineReader::Status::error) {
    int e = errno;
    stop({" ERROR: cannot read " + label_ + ": " + (e ? std::strerror(e) : "read error")});
  }
  if (s == LineReader::Status::too_long)
    fail_at(in_.line_number() + 1,
            "line longer than " + std::to_string(LineReader::max_line) + " characters");
}

bool NumberInput::record(std::size_t n, std::string_view what, bool end_ok) {
  what_ = what;
  const long before = in_.line_number();
  errno = 0;
  LineReader::Status s = text::free_read(in_, n, words_);
  if (s == LineReader::Status::eof && end_ok) return false;
  // free_read reports an end inside the record as an error too; the stream
  // tells a failing device apart.
  if (s == LineReader::Status::eof || (s == LineReader::Status::error && !std::ferror(f_))) {
    ends_early(what, before + 1);
  }
  check(s);
  if (one_line_ && in_.line_number() > before + 1)
    fail_at(before + 1, "record cut short: " + std::to_string(n) + " numbers expected (" +
                            std::string(what) + ")");
  return true;
}

double NumberInput::real(std::size_t k) const {
  double v = 0;
  if (k >= words_.size() || !text::parse_real(words_[k], v))
    fail(text::quoted(k < words_.size() ? words_[k] : "") + " is not a number (" + what_ + ")");
  return v;
}

long long NumberInput::integer(std::size_t k) const {
  long long v = 0;
  if (k >= words_.size() || !text::parse_int(words_[k], v))
    fail(text::quoted(k < words_.size() ? words_[k] : "") + " is not an integer (" + what_ + ")");
  return v;
}

bool NumberInput::line(std::string& s) {
  errno = 0;
  LineReader::Status st = in_.next(s);
  if (st == LineReader::Status::eof) return false;
  check(st);
  return true;
}

void NumberInput::need_line(std::string& s, std::string_view what) {
  const long before = in_.line_number();
  if (!line(s)) ends_early(what, before + 1);
}

InFile open_input(const std::string& name) {
  errno = 0;
  InFile f = open_in(name);
  if (!f) {
    int e = errno;
    stop({" ERROR: cannot open file " + text::quoted(name) + ": " +
          (e ? std::strerror(e) : "open failed")});
  }
  return f;
}

void check_limit(const std::string& label, long long count, std::string_view what, long long limit,
                 std::string_view limit_name) {
  if (count > limit)
    stop({" ERROR: " + label + ": " + std::to_string(count) + " " + std::string(what) + ", at most " +
          std::to_string(limit) + " allowed (" + std::string(limit_name) + " in tvl_const)"});
}

}  // namespace tvl::esp
