#pragma once
// The record toolkit: keyword text files read as records (fixed-width lines
// without comments, separators or capitals), split into words, with section
// keywords begin{name} / end{name}. Two variants: the analysers' (default)
// and topgen's (double quote is a separator too, words cut to a caller width,
// read errors stop the program).
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "common/tvl_const.h"

namespace tvl::rec {

using WordList = std::array<std::string, maxwords>;  // blank slots are empty strings

enum class Variant { analysers, topgen };

// A line longer than the record length whose part beyond column L holds
// anything but blanks or a comment: thrown by get_record, so that the reader
// can report it in its own frame. Its lines say which line it is.
struct LongLine : tvl::Stop {
  long line = 0;       // number of the physical line in the file, from 1
  std::size_t L = 0;
  LongLine(long line_no, std::size_t len);
};

// Next non-empty record of L columns, comments and separators removed, lower
// case. Returns false at end of input (analysers: also on a read error, which
// the caller tells from an end by std::ferror(in); topgen: a read error throws
// Stop). CRLF line ends read like LF ends; NUL bytes are word characters.
// Only the first L columns of a line are kept; text beyond them that is not a
// blank, a separator or part of a comment throws LongLine.
// *line_no, when given, counts the physical lines read so far.
bool get_record(std::FILE* in, std::size_t L, std::string& record,
                Variant v = Variant::analysers, long* line_no = nullptr);

// For a reader that may cut certain lines, as records were always cut: after
// get_record has thrown LongLine, `record` holds that line's first L columns
// as read and the rest of the line is unread. cut_record skips the rest and
// cleans the record as get_record does (it may then be rec::empty). False
// when the rest holds more than `limit` characters or cannot be read.
bool cut_record(std::FILE* in, std::size_t L, std::string& record, Variant v, std::size_t limit);

// All records of an input (get_record, analysers' variant), read at once for
// readers that each go over the whole input: a pipe can be read only once.
// How the reading ended is kept, so that each reader reports a read error or
// an over-long line where it reaches it, as if it read the input itself.
struct RecordList {
  struct Entry {
    std::string text;  // the record, L columns
    long line = 0;     // its physical line number, from 1
  };
  std::vector<Entry> records;
  bool read_error = false;            // the input failed after the last record
  std::optional<LongLine> long_line;  // the over-long line after the last record
};
RecordList read_records(std::FILE* in, std::size_t L);

void remove_comment(std::string& record);
void remove_misc(std::string& record, Variant v = Variant::analysers);
// Call it as rec::empty(...): with a std::string argument an unqualified call
// finds std::empty by argument-dependent lookup, which asks size() == 0.
bool empty(std::string_view record);
void low_case(std::string& text);
void up_case(std::string& text);

// Splits into at most 20 words; words longer than `width` are cut (topgen's
// variant; the analysers use 256). Returns the word count.
int split_record(std::string_view record, WordList& words, std::size_t width = reclen);

// begin_key: true when the record holds "begin"; name receives the section name
// (blanks removed, without trailing padding).
bool begin_key(std::string_view record, std::string& name);
// end_key: true when the record closes the section `name`.
bool end_key(std::string_view record, std::string_view name);

// Free-format single values; fail is 0 on success, 1 when no value could be read.
int readint(std::string_view text, int& fail);
double readdble(std::string_view text, int& fail);

// Column of the last non-blank character, 0 for an all-blank text.
std::size_t slen(std::string_view text);

}  // namespace tvl::rec
