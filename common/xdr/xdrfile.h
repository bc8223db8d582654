#pragma once
// The table of open XDR files.
//
// Programs never hold a file or an XDR stream: they open a file here, get an
// integer id (1..19; 0 means the open failed) and call one operation per XDR
// item type with that id. Every operation reports success in `ret` (non-zero
// on success, 0 on failure, -1 where stated). The item encodings are those of
// the platform's XDR routines on a standard C file stream (xdrstdio_create).
//
// The table is process-wide: 20 slots, slot 0 is never handed out, so at most
// 19 files are open at once. `cnt` is the byte offset of the next element of
// the array that xdrfvector is walking.
//
// Errors that end the process (a close of a free slot or of an unknown
// stream) throw tvl::Stop with status 1 on standard error.
#include <rpc/types.h>
#include <rpc/xdr.h>

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace tvl {

inline constexpr int xdr_max_files = 20;  // table slots; ids run from 1 to 19

// ---- Opening and closing -------------------------------------------------

// filename and mode are blank-padded fields (trailing blanks are removed).
// A name longer than 511 characters or a mode longer than 2 characters sets
// ret to 0 and the open of an empty name fails. xdrid receives the id (0 on
// failure); ret is 1 when xdrid is not 0, else 0.
// Mode "w" or "W" (first character) creates or truncates the file and
// encodes; any other mode reads.
void xdrfopen(int& xdrid, std::string_view filename, std::string_view mode, int& ret);

// Opens filename with mode and registers xdrs (or, when null, a handle the
// table allocates and frees again on close) in the first free slot.
// Returns the id or 0 (no free slot, file cannot be opened).
int xdropen(XDR* xdrs, const char* filename, const char* mode);

// Registers an already open C stream (for example one made by fmemopen) in
// the first free slot; the table owns it from then on and closes it. mode is
// 'w' for encoding, anything else for decoding. Returns the id or 0 (no free
// slot; the stream is then closed).
int xdropen_stream(std::FILE* f, char mode);

// ret = xdrclose(handle of slot xdrid); cnt becomes 0. A free slot or an id
// outside 0..19 ends the process with "xdrclose: passed a NULL pointer".
void xdrfclose(int xdrid, int& ret);

// Closes the slot that holds xdrs: destroys the stream, closes the file and
// frees the slot. Returns 1, or 0 when closing the file failed (data that was
// still buffered for a written file is then lost). A null handle ends the
// process with "xdrclose: passed a NULL pointer", a handle that is not in the
// table with "xdrclose: no such open xdr file".
int xdrclose(XDR* xdrs);

// ---- Typed items -----------------------------------------------------------
// Each transfers one item in the stream's direction, stores the platform
// routine's result in ret and adds the element's width in memory to cnt.
// An id that is not open gives ret 0.
void xdrfbool(int xdrid, bool_t* v, int& ret);                // width 4
void xdrfchar(int xdrid, char* v, int& ret);                  // width 1
void xdrfdouble(int xdrid, double* v, int& ret);              // width 8
void xdrffloat(int xdrid, float* v, int& ret);                // width 4
void xdrfint(int xdrid, int* v, int& ret);                    // width 4
void xdrflong(int xdrid, long* v, int& ret);                  // width 8
void xdrfshort(int xdrid, short* v, int& ret);                // width 2
void xdrfuchar(int xdrid, unsigned char* v, int& ret);        // width 1
void xdrfulong(int xdrid, unsigned long* v, int& ret);        // width 8
void xdrfushort(int xdrid, unsigned short* v, int& ret);      // width 2
// count bytes at *data (zero-padded to a multiple of 4 on the stream); width count.
void xdrfopaque(int xdrid, char** data, int count, int& ret);
// A blank-padded text field as an XDR string of at most maxsize characters;
// on reading the field is refilled and padded with blanks. ret -1 when the
// text without trailing blanks is longer than maxsize (nothing transferred).
// Width maxsize.
void xdrfstring(int xdrid, std::span<char> field, int maxsize, int& ret);
// As xdrfstring with the limit field length + 1; width field length + 1.
void xdrfwrapstring(int xdrid, std::span<char> field, int& ret);

// ---- Positions and arrays ----------------------------------------------------
void xdrfsetpos(int xdrid, unsigned pos, int& ret);  // ret: result of the set-position
void xdrf(int xdrid, int& ret);                      // ret: the current position

// The byte offset of the next element of xdrfvector (process-wide).
long xdr_cnt();
void xdr_set_cnt(long c);

// Sets cnt to 0 and calls op count times with (xdrid, array + cnt bytes, ret);
// each typed op advances cnt by its width, so consecutive elements are
// transferred. Stops at the first element that fails (ret 0).
template <class T>
void xdrfvector(int xdrid, T* array, int count, void (*op)(int, T*, int&), int& ret) {
  xdr_set_cnt(0);
  ret = 1;
  for (int k = 0; k < count; ++k) {
    op(xdrid, reinterpret_cast<T*>(reinterpret_cast<char*>(array) + xdr_cnt()), ret);
    if (ret == 0) return;
  }
}

// ---- Coordinates ---------------------------------------------------------------
// The coordinate block of an xtc frame (3*size floats, atom after atom x, y, z)
// in the direction of the stream. Writing reads *precision; reading stores the
// frame's precision in it. On reading, *size is the number of atoms fp has room
// for: a frame with another count is reported ("wrong number of coordinates in
// xdr3dfcoor; %d arg vs %d in file") and not stored (result 0). Returns 1 on
// success, 0 on failure or end of file. A stream not in the table ends the
// process with "xdr error. no open xdr stream".
int xdr3dfcoord(XDR* xdrs, float* fp, int* size, float* precision);
// ret = xdr3dfcoord(handle of slot xdrid, ...); cnt is not changed.
void xdrf3dfcoord(int xdrid, float* fp, int* size, float* precision, int& ret);

// ---- Table lookups (for the frame reader and writer) --------------------------
XDR* xdr_handle(int xdrid);        // null when the id is not open
std::FILE* xdr_file(int xdrid);    // null when the id is not open
char xdr_mode(int xdrid);          // 'w', 'r', or 0 when the id is not open
int xdr_id_of(const XDR* xdrs);    // 0 when the handle is not in the table

// ---- Text conversion ---------------------------------------------------------
// Removes trailing blanks from field and copies it, terminated, to dest;
// returns 1 (dest empty) when it does not fit in capacity - 1 characters.
int ftocstr(char* dest, int capacity, const char* field, int field_len);
// Copies src into field up to its terminator or field_len, pads with blanks.
void ctofstr(char* field, int field_len, const char* src);

// ---- An open file that closes itself --------------------------------------
class XdrFile {
 public:
  XdrFile() = default;
  // Opens name with mode ("r" or "w"); is_open() tells whether it worked.
  XdrFile(std::string_view name, std::string_view mode);
  ~XdrFile();  // closes the slot when still open (result not checked)
  XdrFile(XdrFile&& o) noexcept;
  XdrFile& operator=(XdrFile&& o) noexcept;
  XdrFile(const XdrFile&) = delete;
  XdrFile& operator=(const XdrFile&) = delete;

  int id() const { return id_; }
  bool is_open() const { return id_ != 0; }
  explicit operator bool() const { return id_ != 0; }
  const std::string& name() const { return name_; }
  // Closes the slot; false when the file could not be closed cleanly (a
  // written file may then be incomplete). No-op (true) when not open.
  bool close();

 private:
  int id_ = 0;
  std::string name_;
};

}  // namespace tvl
