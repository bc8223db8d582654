#pragma once
// Fortran-style text input and output shared by every program:
// free-format (list-directed) reading and writing, fixed-column reading,
// and fixed layouts (I, F, E, A fields) with asterisks on overflow.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tvl::text {

// ---- fixed-width, blank-padded texts ------------------------------------
// Text of exactly w columns: cut or padded with blanks on the right.
std::string pad(std::string_view s, std::size_t w);
// Equal when the shorter text, padded with blanks, equals the longer one.
bool same_text(std::string_view a, std::string_view b);
// Text without trailing blanks.
std::string_view trim_right(std::string_view s);

// ---- numbers in single words (free-format rules) ------------------------
// The whole word must be one number: optional sign, digits, optional decimal
// point, optional exponent with e, E, d or D. Returns false when it is not.
bool parse_int(std::string_view word, long long& v);
bool parse_int(std::string_view word, int& v);     // also false when out of int range
bool parse_real(std::string_view word, double& v);
bool parse_real(std::string_view word, float& v);

// ---- line input ---------------------------------------------------------
// Reads text lines from a C stream. CRLF ends read as LF ends; a NUL byte is
// kept as a character. A read error is reported as such, never as an end.
// A line longer than max_line characters is refused (too_long) as soon as it
// passes that length, so an endless line (a device, a binary file read by
// mistake) neither hangs the reader nor fills the memory.
class LineReader {
 public:
  enum class Status { ok, eof, error, too_long };
  static constexpr std::size_t max_line = std::size_t(1) << 20;
  explicit LineReader(std::FILE* f) : f_(f) {}
  Status next(std::string& line);   // line without its end-of-line character(s)
  long line_number() const { return lineno_; }  // lines delivered so far
 private:
  std::FILE* f_;
  long lineno_ = 0;
};

// Free-format read of n values: words separated by blanks, commas or tabs;
// when the current line holds fewer than n words the read continues on the
// following lines; words beyond n on the last line used are ignored; the next
// read starts on a new line. Returns eof when the input ends before the first
// word, error when it ends (or fails) before n words were found, too_long
// when a line read for it is longer than LineReader::max_line.
LineReader::Status free_read(LineReader& in, std::size_t n, std::vector<std::string>& words);

// Splits one line into free-format words (blanks, commas, tabs separate).
std::vector<std::string> free_words(std::string_view line);

// ---- fixed-column input -------------------------------------------------
// Field of `width` columns starting at column `col` (1-based); a short line
// reads as if padded with blanks.
std::string_view field(std::string_view line, std::size_t col, std::size_t width);
// Numeric fields: blanks inside the field are ignored and an all-blank field
// reads as 0. Returns false when the field holds something else.
bool fixed_int(std::string_view line, std::size_t col, std::size_t width, long long& v);
bool fixed_real(std::string_view line, std::size_t col, std::size_t width, double& v);

// ---- fixed layouts ------------------------------------------------------
// Right-aligned in w columns; w asterisks when the value does not fit; w = 0
// gives the minimal width (as I0, F0.d). Rounding is to nearest from the
// exact binary value, ties away from zero; a negative value that rounds to
// zero keeps its minus ("-0.00"); the leading zero of a value below 1 is
// dropped only when the field has no room for it. E beyond exponent 99 drops
// the letter ("0.1235+100"). NaN and infinities print as "NaN", "Infinity"
// or "Inf" as far as the field allows, else asterisks.
std::string fmt_i(long long v, int w);                 // Iw
std::string fmt_f(double v, int w, int d);             // Fw.d
std::string fmt_e(double v, int w, int d);             // Ew.d: 0.ddddE+xx
std::string fmt_a(std::string_view s, int w);          // Aw: padded or cut to w
// Aw for a text declared `declared` columns wide: cut to its first w columns,
// or right-aligned with leading blanks when w is wider than the declaration.
std::string fmt_a(std::string_view s, int w, std::size_t declared);

// ---- checked fixed layouts ----------------------------------------------
// For outputs that must never hold asterisks, NaN or Infinity: the field as
// fmt_i, fmt_f or fmt_e writes it, or, for a value that is not finite or
// does not fit, a Stop (exit 1) before it is written, with the one line
//   " ERROR: the value <v> (<what>) does not fit the field <Fw.d> of <where>"
// (no parenthesis when `what` is empty). `what` names the item ("x of atom
// 3"), `where` the output ("the PDB records").
std::string checked_i(long long v, int w, std::string_view what, std::string_view where);
std::string checked_f(double v, int w, int d, std::string_view what, std::string_view where);
std::string checked_e(double v, int w, int d, std::string_view what, std::string_view where);
// The stop itself, for a field a writer finds unfit on other grounds (a
// field that would run into the one before it); `value` as written in the
// message, `field` as "F12.6".
[[noreturn]] void field_overflow(std::string_view value, std::string_view field, std::string_view what,
                                 std::string_view where);

// ---- free-format output -------------------------------------------------
// Builds a list-directed line: it begins with one blank; text pieces follow
// each other without separators; every number is preceded by one blank and
// not padded; fixed-width names keep their full width.
class FreeLine {
 public:
  FreeLine() : s_(" ") {}
  FreeLine& t(std::string_view text) { s_ += text; return *this; }
  FreeLine& name(std::string_view s, std::size_t w) { s_ += pad(s, w); return *this; }
  FreeLine& i(long long v);
  FreeLine& r(double v);   // real in free format (see free_real)
  FreeLine& r4(float v);   // single-precision real (see free_real4)
  const std::string& str() const { return s_; }
  operator std::string() const { return s_; }
 private:
  std::string s_;
};
// A real as free-format output writes it (without the leading blank): the
// shortest decimal form that reads back to the same double, with a decimal
// point always present ("3.0", "0.1", "1.0E-12"). Magnitudes from 1e-3 up to
// 1e15 are written without exponent, others as mantissa and "E" exponent.
std::string free_real(double v);
// The same for a single-precision value: the shortest form that reads back
// as the same float ("0.182", not the 17 digits of the float's exact double).
std::string free_real4(float v);
// A name between double-quote characters, as messages show file names.
inline std::string quoted(std::string_view s) {
  std::string r("\"");
  r += s;
  r += '"';
  return r;
}
// Convenience: " " + text pieces; used for one-piece message lines.
inline std::string free_text(std::string_view s) {
  std::string line(1, ' ');  // built by appending: GCC 12 warns (falsely) on " " + string
  line += s;
  return line;
}

// Command-line arguments and file names are at most 128 characters; a longer
// one is refused (Stop, exit 2 for arguments), never cut. `what` names it.
void check_name_length(std::string_view s, std::string_view what, int status = 2);

}  // namespace tvl::text
