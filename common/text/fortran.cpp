// Fortran-style text input and output: fixed-width texts, single-word
// numbers, line input, free-format reading and writing, fixed-column reading
// and I/F/E/A fields.
#include "common/text/fortran.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <type_traits>
#include <system_error>

#include "common/error.h"
#include "common/tvl_const.h"

namespace tvl::text {

// ---- fixed-width, blank-padded texts ------------------------------------

std::string pad(std::string_view s, std::size_t w) {
  std::string r(s.substr(0, w));
  r.resize(w, ' ');
  return r;
}

std::string_view trim_right(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

bool same_text(std::string_view a, std::string_view b) {
  return trim_right(a) == trim_right(b);
}

// ---- numbers in single words --------------------------------------------

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Checks the free-format real syntax: [sign] digits [. digits] [exp] where at
// least one digit stands in the mantissa; exp is e/E/d/D, optional sign,
// digits. Copies the word into buf in the form from_chars takes (no leading
// plus, exponent letter e). Returns false when the word is not a real.
bool real_syntax(std::string_view w, std::string& buf) {
  buf.clear();
  std::size_t i = 0, n = w.size();
  if (i < n && (w[i] == '+' || w[i] == '-')) {
    if (w[i] == '-') buf += '-';
    ++i;
  }
  std::size_t mant_digits = 0;
  while (i < n && is_digit(w[i])) { buf += w[i++]; ++mant_digits; }
  if (i < n && w[i] == '.') {
    buf += w[i++];
    while (i < n && is_digit(w[i])) { buf += w[i++]; ++mant_digits; }
  }
  if (mant_digits == 0) return false;
  if (i < n && (w[i] == 'e' || w[i] == 'E' || w[i] == 'd' || w[i] == 'D')) {
    buf += 'e';
    ++i;
    if (i < n && (w[i] == '+' || w[i] == '-')) buf += w[i++];
    std::size_t exp_digits = 0;
    while (i < n && is_digit(w[i])) { buf += w[i++]; ++exp_digits; }
    if (exp_digits == 0) return false;
  }
  return i == n;
}

}  // namespace

bool parse_int(std::string_view word, long long& v) {
  std::size_t i = 0;
  bool neg = false;
  if (i < word.size() && (word[i] == '+' || word[i] == '-')) {
    neg = word[i] == '-';
    ++i;
  }
  if (i == word.size()) return false;
  for (std::size_t k = i; k < word.size(); ++k)
    if (!is_digit(word[k])) return false;
  // Accumulate negatively so that the most negative value fits.
  long long acc = 0;
  constexpr long long lo = std::numeric_limits<long long>::min();
  for (std::size_t k = i; k < word.size(); ++k) {
    int d = word[k] - '0';
    if (acc < (lo + d) / 10) return false;
    acc = acc * 10 - d;
  }
  if (!neg) {
    if (acc == lo) return false;
    acc = -acc;
  }
  v = acc;
  return true;
}

bool parse_int(std::string_view word, int& v) {
  long long x = 0;
  if (!parse_int(word, x)) return false;
  if (x < std::numeric_limits<int>::min() || x > std::numeric_limits<int>::max()) return false;
  v = static_cast<int>(x);
  return true;
}

bool parse_real(std::string_view word, double& v) {
  thread_local std::string buf;
  if (!real_syntax(word, buf)) return false;
  double x = 0;
  auto r = std::from_chars(buf.data(), buf.data() + buf.size(), x);
  if (r.ec == std::errc::result_out_of_range) {
    // Underflow reads as zero (or the nearest tiny value); overflow is an error.
    char* end = nullptr;
    x = std::strtod(buf.c_str(), &end);
    if (std::isinf(x)) return false;
  } else if (r.ec != std::errc() || r.ptr != buf.data() + buf.size()) {
    return false;
  }
  v = x;
  return true;
}

bool parse_real(std::string_view word, float& v) {
  double x = 0;
  if (!parse_real(word, x)) return false;
  if (std::fabs(x) > static_cast<double>(std::numeric_limits<float>::max())) return false;
  v = static_cast<float>(x);
  return true;
}

// ---- line input ---------------------------------------------------------

namespace {

// One line into `line`: eof only when nothing at all was left, too_long
// (with the first max_line characters in `line`) for a longer line.
LineReader::Status read_line(std::FILE* f, std::string& line) {
  line.clear();
  bool any = false;
  for (;;) {
    int c = getc_unlocked(f);  // one reader per stream: no locking per byte
    if (c == EOF) break;
    any = true;
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return LineReader::Status::ok;
    }
    if (line.size() >= LineReader::max_line) {
      // A CR just past the limit may still be the CR of a CRLF end.
      if (c == '\r' && line.size() == LineReader::max_line) {
        int n = getc_unlocked(f);
        if (n == '\n' || n == EOF) {
          if (n == EOF && std::ferror(f)) return LineReader::Status::error;
          return LineReader::Status::ok;
        }
      }
      return LineReader::Status::too_long;
    }
    line += static_cast<char>(c);
  }
  if (std::ferror(f)) return LineReader::Status::error;
  if (!any) return LineReader::Status::eof;
  // Last line without an end-of-line character.
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return LineReader::Status::ok;
}

}  // namespace

LineReader::Status LineReader::next(std::string& line) {
  Status s = read_line(f_, line);
  if (s == Status::ok) ++lineno_;
  return s;
}

namespace {

bool free_sep(char c) { return c == ' ' || c == ',' || c == '\t'; }

// Appends the free-format words of `line` to `words` until it holds n words.
void append_words(std::string_view line, std::vector<std::string>& words, std::size_t n) {
  std::size_t i = 0, m = line.size();
  while (i < m && words.size() < n) {
    while (i < m && free_sep(line[i])) ++i;
    std::size_t b = i;
    while (i < m && !free_sep(line[i])) ++i;
    if (i > b) words.emplace_back(line.substr(b, i - b));
  }
}

}  // namespace

std::vector<std::string> free_words(std::string_view line) {
  std::vector<std::string> w;
  append_words(line, w, std::numeric_limits<std::size_t>::max());
  return w;
}

LineReader::Status free_read(LineReader& in, std::size_t n, std::vector<std::string>& words) {
  words.clear();
  std::string line;
  if (n == 0) return in.next(line);  // a read of nothing still consumes one line
  while (words.size() < n) {
    LineReader::Status s = in.next(line);
    if (s == LineReader::Status::error || s == LineReader::Status::too_long) return s;
    if (s == LineReader::Status::eof)
      return words.empty() ? LineReader::Status::eof : LineReader::Status::error;
    append_words(line, words, n);
  }
  return LineReader::Status::ok;
}

// ---- fixed-column input -------------------------------------------------

std::string_view field(std::string_view line, std::size_t col, std::size_t width) {
  if (col == 0) col = 1;
  std::size_t b = col - 1;
  if (b >= line.size()) return {};
  return line.substr(b, width);
}

namespace {
// The field with its blanks removed; false when it is too long to be a number.
bool squeeze(std::string_view f, char* buf, std::size_t cap, std::size_t& len) {
  len = 0;
  for (char c : f) {
    if (c == ' ') continue;
    if (len + 1 >= cap) return false;
    buf[len++] = c;
  }
  return true;
}
}  // namespace

namespace {
// A numeric field: blanks removed, all-blank reads as 0, else parsed whole.
template <class T>
bool fixed_number(std::string_view line, std::size_t col, std::size_t width, T& v) {
  char buf[128];
  std::size_t len = 0;
  if (!squeeze(field(line, col, width), buf, sizeof buf, len)) return false;
  if (len == 0) {
    v = 0;
    return true;
  }
  if constexpr (std::is_integral_v<T>)
    return parse_int(std::string_view(buf, len), v);
  else
    return parse_real(std::string_view(buf, len), v);
}
}  // namespace

bool fixed_int(std::string_view line, std::size_t col, std::size_t width, long long& v) {
  return fixed_number(line, col, width, v);
}

bool fixed_real(std::string_view line, std::size_t col, std::size_t width, double& v) {
  return fixed_number(line, col, width, v);
}

// ---- fixed layouts ------------------------------------------------------

namespace {

std::string stars(int w) { return std::string(w > 0 ? static_cast<std::size_t>(w) : 0, '*'); }

// Right-aligns s in w columns; w <= 0 means the minimal width.
std::string right(std::string s, int w) {
  if (w <= 0) return s;
  if (s.size() > static_cast<std::size_t>(w)) return stars(w);
  return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + s;
}

// NaN and infinities in an F or E field, as far as the field allows.
std::string non_finite(double v, int w) {
  if (std::isnan(v)) return w <= 0 || w >= 3 ? right("NaN", w) : stars(w);
  bool neg = v < 0;
  std::string s;
  if (w <= 0 || w >= 8 + (neg ? 1 : 0))
    s = "Infinity";
  else if (w >= 3 + (neg ? 1 : 0))
    s = "Inf";
  else
    return stars(w);
  return right(neg ? "-" + s : s, w);
}

}  // namespace

std::string fmt_i(long long v, int w) { return right(std::to_string(v), w); }

namespace {

// Rounds the digit string to its first `keep` digits, ties away from zero
// (the guard digits beyond `keep` come from the exact binary value). Returns
// true when the carry ran out of the front ("999" -> "1000").
bool round_digits(std::string& digits, std::size_t keep) {
  bool up = keep < digits.size() && digits[keep] >= '5';
  digits.resize(std::min(keep, digits.size()));
  if (!up) return false;
  for (std::size_t k = digits.size(); k-- > 0;) {
    if (digits[k] != '9') {
      ++digits[k];
      return false;
    }
    digits[k] = '0';
  }
  digits.insert(digits.begin(), '1');
  return true;
}

// Decimal digits of a >= 0 as printf writes them in `conv` style ('f': `prec`
// decimals; 'e': 1 + `prec` significant digits), without point and exponent;
// *exp10 receives the printf exponent for 'e'.
std::string printf_digits(double a, char conv, int prec, int* exp10) {
  char conv_fmt[8] = {'%', '.', '*', conv, '\0'};
  char small[128];
  int n = std::snprintf(small, sizeof small, conv_fmt, prec, a);
  std::string t;
  if (n < static_cast<int>(sizeof small)) {
    t.assign(small, static_cast<std::size_t>(n));
  } else {
    t.assign(static_cast<std::size_t>(n), '\0');
    std::snprintf(t.data(), t.size() + 1, conv_fmt, prec, a);
  }
  std::string digits;
  digits.reserve(t.size());
  std::size_t k = 0;
  for (; k < t.size() && t[k] != 'e'; ++k)
    if (is_digit(t[k])) digits += t[k];
  if (exp10 && k < t.size()) *exp10 = std::atoi(t.c_str() + k + 1);
  return digits;
}

// The digits of a >= 0 in printf `conv` style with `prec` digits after the
// point ('f') or after the first digit ('e'), rounded ties away from zero
// from the exact binary value; *exp10 receives the 'e' exponent of the first
// digit. Two guard digits decide unless they read "50" (a true tie or a
// rounded 49...9): then forty guard digits, far more than a double needs,
// settle it. Returns true when the carry added a digit in front.
bool rounded_digits(double a, char conv, int prec, std::string& digits, int* exp10) {
  int g = 2;
  digits = printf_digits(a, conv, prec + g, exp10);
  std::size_t keep = digits.size() - static_cast<std::size_t>(g);
  if (digits[keep] == '5' && digits[keep + 1] == '0') {
    g = 40;
    digits = printf_digits(a, conv, prec + g, exp10);
    keep = digits.size() - static_cast<std::size_t>(g);
  }
  return round_digits(digits, keep);
}

}  // namespace

std::string fmt_f(double v, int w, int d) {
  if (!std::isfinite(v)) return non_finite(v, w);
  if (d < 0) d = 0;
  std::string digits;
  rounded_digits(std::fabs(v), 'f', d, digits, nullptr);
  // The digits before the point are all but the d decimals.
  const std::size_t ip = digits.size() - static_cast<std::size_t>(d);
  std::string mag = digits.substr(0, ip) + "." + digits.substr(ip);
  std::string sign = std::signbit(v) ? "-" : "";
  std::string s = sign + mag;
  if (w <= 0 || s.size() <= static_cast<std::size_t>(w)) return right(s, w);
  // The leading zero of a value below 1 is optional.
  if (d > 0 && mag.size() > 1 && mag[0] == '0' && mag[1] == '.') {
    s = sign + mag.substr(1);
    if (s.size() <= static_cast<std::size_t>(w)) return right(s, w);
  }
  return stars(w);
}

std::string fmt_e(double v, int w, int d) {
  if (!std::isfinite(v)) return non_finite(v, w);
  if (d < 0) d = 0;
  std::string digits;
  int exp10 = 0;
  double a = std::fabs(v);
  if (a == 0) {
    digits.assign(static_cast<std::size_t>(d), '0');
  } else {
    // D.DDD...e+x  ->  0.DDDD E(x+1), rounded to d digits.
    int pe = 0;
    if (rounded_digits(a, 'e', d - 1, digits, &pe)) {
      digits.pop_back();
      ++pe;
    }
    exp10 = pe + 1;
  }
  std::string ex;
  int ae = exp10 < 0 ? -exp10 : exp10;
  char eb[16];
  if (ae <= 99) {
    std::snprintf(eb, sizeof eb, "E%c%02d", exp10 < 0 ? '-' : '+', ae);
  } else if (ae <= 999) {
    std::snprintf(eb, sizeof eb, "%c%03d", exp10 < 0 ? '-' : '+', ae);
  } else {
    return stars(w);
  }
  ex = eb;
  std::string sign = std::signbit(v) ? "-" : "";
  std::string s = sign + "0." + digits + ex;
  if (w <= 0 || s.size() <= static_cast<std::size_t>(w)) return right(s, w);
  s = sign + "." + digits + ex;  // the leading zero is optional
  if (s.size() <= static_cast<std::size_t>(w)) return right(s, w);
  return stars(w);
}

std::string fmt_a(std::string_view s, int w) {
  if (w <= 0) return std::string(s);
  return pad(s, static_cast<std::size_t>(w));
}

std::string fmt_a(std::string_view s, int w, std::size_t declared) {
  std::string t = pad(s, declared);
  if (w <= 0) return t;
  std::size_t uw = static_cast<std::size_t>(w);
  if (uw <= t.size()) return t.substr(0, uw);
  return std::string(uw - t.size(), ' ') + t;
}

// ---- free-format output -------------------------------------------------

namespace {

// Shortest decimal form that reads back to the same value of type T.
template <class T>
std::string shortest_real(T v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-Infinity" : "Infinity";
  if (v == 0) return std::signbit(v) ? "-0.0" : "0.0";
  char buf[64];
  double a = std::fabs(static_cast<double>(v));
  if (a >= 1e-3 && a < 1e15) {
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    std::string s(buf, r.ptr);
    if (s.find('.') == std::string::npos) s += ".0";
    return s;
  }
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  std::string s(buf, r.ptr);
  std::size_t e = s.find('e');
  std::string mant = s.substr(0, e), ex = s.substr(e + 1);
  if (mant.find('.') == std::string::npos) mant += ".0";
  return mant + "E" + ex;
}

}  // namespace

std::string free_real(double v) { return shortest_real(v); }

std::string free_real4(float v) { return shortest_real(v); }

FreeLine& FreeLine::i(long long v) {
  s_ += ' ';
  s_ += std::to_string(v);
  return *this;
}

FreeLine& FreeLine::r(double v) {
  s_ += ' ';
  s_ += free_real(v);
  return *this;
}

FreeLine& FreeLine::r4(float v) {
  s_ += ' ';
  s_ += free_real4(v);
  return *this;
}

void field_overflow(std::string_view value, std::string_view field, std::string_view what,
                    std::string_view where) {
  std::string l = " ERROR: the value ";
  l += value;
  if (!what.empty()) {
    l += " (";
    l += what;
    l += ")";
  }
  l += " does not fit the field ";
  l += field;
  l += " of ";
  l += where;
  tvl::stop({l});
}

namespace {

// The field name of a layout: "I6", "F12.4", "E15.8".
std::string field_name(char kind, int w, int d) {
  std::string f(1, kind);
  f += std::to_string(w);
  if (kind != 'I') {
    f += '.';  // appended: GCC 12 warns (falsely) on "literal" + string
    f += std::to_string(d);
  }
  return f;
}

bool overflowed(const std::string& field) { return field.find('*') != std::string::npos; }

}  // namespace

std::string checked_i(long long v, int w, std::string_view what, std::string_view where) {
  std::string f = fmt_i(v, w);
  if (overflowed(f)) field_overflow(std::to_string(v), field_name('I', w, 0), what, where);
  return f;
}

std::string checked_f(double v, int w, int d, std::string_view what, std::string_view where) {
  std::string f = fmt_f(v, w, d);
  if (!std::isfinite(v) || overflowed(f)) field_overflow(free_real(v), field_name('F', w, d), what, where);
  return f;
}

std::string checked_e(double v, int w, int d, std::string_view what, std::string_view where) {
  std::string f = fmt_e(v, w, d);
  if (!std::isfinite(v) || overflowed(f)) field_overflow(free_real(v), field_name('E', w, d), what, where);
  return f;
}

void check_name_length(std::string_view s, std::string_view what, int status) {
  if (s.size() > static_cast<std::size_t>(tvl::fnamelen)) {
    tvl::stop({" ERROR: " + std::string(what) + " has " + std::to_string(s.size()) +
               " characters; at most " + std::to_string(tvl::fnamelen) + " are allowed."},
              status);
  }
}

}  // namespace tvl::text
