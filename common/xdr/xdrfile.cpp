#include "common/xdr/xdrfile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "common/error.h"

namespace tvl {

namespace {

struct Slot {
  std::FILE* file = nullptr;  // xdrfiles
  XDR* xdrs = nullptr;        // xdridptr: null means the slot is free
  char mode = 0;              // xdrmodes: 'w' or 'r'
  bool owned = false;         // the table allocated xdrs and frees it on close
};

Slot table[xdr_max_files];
bool init_done = false;
long cnt = 0;

// The open slot of an id, or null.
Slot* open_slot(int xdrid) {
  if (xdrid < 1 || xdrid >= xdr_max_files) return nullptr;
  Slot& s = table[xdrid];
  return s.xdrs ? &s : nullptr;
}

void clear_once() {
  if (init_done) return;
  for (int k = 1; k < xdr_max_files; ++k) table[k] = Slot{};
  init_done = true;
}

int first_free() {
  for (int k = 1; k < xdr_max_files; ++k)
    if (!table[k].xdrs) return k;
  return 0;
}

// Registers an open file in slot k, with the caller's handle or a new one.
int attach(int k, std::FILE* f, XDR* xdrs, char mode) {
  bool owned = false;
  if (!xdrs) {
    xdrs = new (std::nothrow) XDR;
    if (!xdrs) {
      std::fclose(f);
      return 0;
    }
    owned = true;
  }
  Slot& s = table[k];
  s.file = f;
  s.xdrs = xdrs;
  s.mode = mode;
  s.owned = owned;
  xdrstdio_create(xdrs, f, mode == 'w' ? XDR_ENCODE : XDR_DECODE);
  return k;
}

// Runs one typed item on the slot of xdrid and advances cnt by width.
template <class T, class Fn>
void item(int xdrid, T* v, int& ret, Fn fn, long width) {
  Slot* s = open_slot(xdrid);
  ret = s ? static_cast<int>(fn(s->xdrs, v)) : 0;
  cnt += width;
}

}  // namespace

long xdr_cnt() { return cnt; }
void xdr_set_cnt(long c) { cnt = c; }

int ftocstr(char* dest, int capacity, const char* field, int field_len) {
  int len = field_len;
  while (len > 0 && field[len - 1] == ' ') --len;
  if (capacity > 0) dest[0] = '\0';
  if (len > capacity - 1) return 1;
  std::memcpy(dest, field, static_cast<std::size_t>(len));
  dest[len] = '\0';
  return 0;
}

void ctofstr(char* field, int field_len, const char* src) {
  int k = 0;
  for (; k < field_len && src[k] != '\0'; ++k) field[k] = src[k];
  for (; k < field_len; ++k) field[k] = ' ';
}

int xdropen(XDR* xdrs, const char* filename, const char* mode) {
  clear_once();
  int k = first_free();
  if (k == 0) return 0;
  bool writing = mode[0] == 'w' || mode[0] == 'W';
  std::FILE* f = std::fopen(filename, writing ? "w+" : "r");
  if (!f) return 0;
  return attach(k, f, xdrs, writing ? 'w' : 'r');
}

int xdropen_stream(std::FILE* f, char mode) {
  clear_once();
  int k = first_free();
  if (k == 0 || !f) {
    if (f) std::fclose(f);
    return 0;
  }
  return attach(k, f, nullptr, mode == 'w' ? 'w' : 'r');
}

void xdrfopen(int& xdrid, std::string_view filename, std::string_view mode, int& ret) {
  // A name or mode too long to convert becomes the empty string: an empty
  // name cannot be opened, an empty mode reads.
  char cname[512];
  char cmode[3];
  ftocstr(cname, sizeof cname, filename.data(), static_cast<int>(filename.size()));
  ftocstr(cmode, sizeof cmode, mode.data(), static_cast<int>(mode.size()));
  xdrid = xdropen(nullptr, cname, cmode);
  ret = xdrid != 0 ? 1 : 0;
}

int xdrclose(XDR* xdrs) {
  if (!xdrs) stop({"xdrclose: passed a NULL pointer"}, exit_error, Stream::err);
  for (int k = 1; k < xdr_max_files; ++k) {
    Slot& s = table[k];
    if (s.xdrs != xdrs) continue;
    if (xdrs->x_ops && xdrs->x_ops->x_destroy) xdr_destroy(xdrs);
    // A written file whose stream saw an error, or whose last data cannot be
    // flushed, is reported: the caller must not take it for complete.
    bool failed = s.mode == 'w' && std::ferror(s.file);
    if (std::fclose(s.file) != 0) failed = true;
    if (s.owned) delete s.xdrs;
    s = Slot{};
    return failed ? 0 : 1;
  }
  stop({"xdrclose: no such open xdr file"}, exit_error, Stream::err);
}

void xdrfclose(int xdrid, int& ret) {
  XDR* h = (xdrid >= 0 && xdrid < xdr_max_files) ? table[xdrid].xdrs : nullptr;
  ret = xdrclose(h);
  cnt = 0;
}

void xdrfbool(int xdrid, bool_t* v, int& ret) {
  item(xdrid, v, ret, [](XDR* x, bool_t* p) { return xdr_bool(x, p); }, 4);
}
void xdrfchar(int xdrid, char* v, int& ret) {
  item(xdrid, v, ret, [](XDR* x, char* p) { return xdr_char(x, p); }, 1);
}
void xdrfdouble(int xdrid, double* v, int& ret) {
  item(xdrid, v, ret, [](XDR* x, double* p) { return xdr_double(x, p); }, 8);
}
void xdrffloat(int xdrid, float* v, int& ret) {
  item(xdrid, v, ret, [](XDR* x, float* p) { return xdr_float(x, p); }, 4);
}
void xdrfint(int xdrid, int* v, int& ret) {
  item(xdrid, v, ret, [](XDR* x, int* p) { return xdr_int(x, p); }, 4);
}
void xdrflong(int xdrid, long* v, int& ret) {
  // An XDR long is a signed 32-bit item; the platform's stdio stream decodes
  // it without sign extension, so a negative value is extended here.
  item(xdrid, v, ret,
       [](XDR* x, long* p) {
         bool_t r = xdr_long(x, p);
         if (r && x->x_op == XDR_DECODE) *p = static_cast<std::int32_t>(*p);
         return r;
       },
       8);
}
void xdrfshort(int xdrid, short* v, int& ret) {
  item(xdrid, v, ret, [](XDR* x, short* p) { return xdr_short(x, p); }, 2);
}
void xdrfuchar(int xdrid, unsigned char* v, int& ret) {
  item(xdrid, v, ret, [](XDR* x, unsigned char* p) { return xdr_u_char(x, p); }, 1);
}
void xdrfulong(int xdrid, unsigned long* v, int& ret) {
  item(xdrid, v, ret, [](XDR* x, unsigned long* p) { return xdr_u_long(x, p); }, 8);
}
void xdrfushort(int xdrid, unsigned short* v, int& ret) {
  item(xdrid, v, ret, [](XDR* x, unsigned short* p) { return xdr_u_short(x, p); }, 2);
}

void xdrfopaque(int xdrid, char** data, int count, int& ret) {
  Slot* s = open_slot(xdrid);
  ret = (s && data && count >= 0)
            ? static_cast<int>(xdr_opaque(s->xdrs, *data, static_cast<u_int>(count)))
            : 0;
  cnt += count;
}

namespace {
// Transfers a blank-padded field as an XDR string of at most maxsize characters.
void string_item(int xdrid, std::span<char> field, int maxsize, int& ret) {
  int len = static_cast<int>(field.size());
  std::vector<char> work;
  try {
    work.assign(static_cast<std::size_t>(len) + 1, '\0');
  } catch (const std::bad_alloc&) {
    ret = -1;
    return;
  }
  ftocstr(work.data(), len + 1, field.data(), len);  // the field always fits its work string
  if (maxsize < 0 || static_cast<int>(std::strlen(work.data())) > maxsize) {
    ret = -1;
    return;
  }
  Slot* s = open_slot(xdrid);
  if (!s) {
    ret = 0;
    return;
  }
  // On reading the string may be at most len characters, the room of the work string.
  u_int limit = static_cast<u_int>(maxsize < len ? maxsize : len);
  char* p = work.data();
  ret = static_cast<int>(xdr_string(s->xdrs, &p, limit));
  ctofstr(field.data(), len, work.data());
}
}  // namespace

void xdrfstring(int xdrid, std::span<char> field, int maxsize, int& ret) {
  string_item(xdrid, field, maxsize, ret);
  cnt += maxsize;
}

void xdrfwrapstring(int xdrid, std::span<char> field, int& ret) {
  int len = static_cast<int>(field.size());
  string_item(xdrid, field, len + 1, ret);
  cnt += len + 1;
}

void xdrfsetpos(int xdrid, unsigned pos, int& ret) {
  Slot* s = open_slot(xdrid);
  ret = s ? static_cast<int>(xdr_setpos(s->xdrs, pos)) : 0;
}

void xdrf(int xdrid, int& ret) {
  Slot* s = open_slot(xdrid);
  ret = s ? static_cast<int>(xdr_getpos(s->xdrs)) : 0;
}

void xdrf3dfcoord(int xdrid, float* fp, int* size, float* precision, int& ret) {
  Slot* s = open_slot(xdrid);
  ret = xdr3dfcoord(s ? s->xdrs : nullptr, fp, size, precision);
}

XDR* xdr_handle(int xdrid) {
  Slot* s = open_slot(xdrid);
  return s ? s->xdrs : nullptr;
}

std::FILE* xdr_file(int xdrid) {
  Slot* s = open_slot(xdrid);
  return s ? s->file : nullptr;
}

char xdr_mode(int xdrid) {
  Slot* s = open_slot(xdrid);
  return s ? s->mode : '\0';
}

int xdr_id_of(const XDR* xdrs) {
  if (!xdrs) return 0;
  for (int k = 1; k < xdr_max_files; ++k)
    if (table[k].xdrs == xdrs) return k;
  return 0;
}

XdrFile::XdrFile(std::string_view name, std::string_view mode) : name_(name) {
  int ret = 0;
  xdrfopen(id_, name, mode, ret);
  if (ret == 0) id_ = 0;
}

XdrFile::~XdrFile() { close(); }

XdrFile::XdrFile(XdrFile&& o) noexcept : id_(o.id_), name_(std::move(o.name_)) { o.id_ = 0; }

XdrFile& XdrFile::operator=(XdrFile&& o) noexcept {
  if (this != &o) {
    close();
    id_ = o.id_;
    name_ = std::move(o.name_);
    o.id_ = 0;
  }
  return *this;
}

bool XdrFile::close() {
  if (id_ == 0) return true;
  XDR* h = xdr_handle(id_);
  id_ = 0;
  return h ? xdrclose(h) == 1 : false;
}

}  // namespace tvl
