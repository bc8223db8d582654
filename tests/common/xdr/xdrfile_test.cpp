// The table of open XDR files: ids, modes, typed items, closing errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/xdr/xdrfile.h"

namespace {

// Runs f and returns the Stop it throws (status -1 when none is thrown).
template <class F>
tvl::Stop stop_of(F f) {
  try {
    f();
  } catch (const tvl::Stop& s) {
    return s;
  }
  tvl::Stop none;
  none.status = -1;
  return none;
}

TEST(XdrTable, HandsOutIdOneAgainAfterClosingAndAtMostNineteenFiles) {
  int id = 0, ret = 0;
  tvl::xdrfopen(id, "table.bin", "w", ret);
  EXPECT_EQ(id, 1);
  EXPECT_EQ(ret, 1);
  tvl::xdrfclose(id, ret);
  EXPECT_EQ(ret, 1);
  tvl::xdrfopen(id, "table.bin", "r", ret);
  EXPECT_EQ(id, 1);
  tvl::xdrfclose(id, ret);

  std::vector<int> ids;
  for (int k = 0; k < 19; ++k) {
    tvl::xdrfopen(id, "table.bin", "r", ret);
    ASSERT_EQ(ret, 1);
    ids.push_back(id);
  }
  EXPECT_EQ(ids.front(), 1);
  EXPECT_EQ(ids.back(), 19);
  tvl::xdrfopen(id, "table.bin", "r", ret);
  EXPECT_EQ(id, 0);
  EXPECT_EQ(ret, 0);
  for (int i : ids) tvl::xdrfclose(i, ret);
}

TEST(XdrTable, ModeWInAnyCaseWritesAndAnyOtherModeReads) {
  int id = 0, ret = 0;
  int v = 42;
  tvl::xdrfopen(id, "modes.bin", "W", ret);
  ASSERT_EQ(ret, 1);
  EXPECT_EQ(tvl::xdr_mode(id), 'w');
  tvl::xdrfint(id, &v, ret);
  EXPECT_EQ(ret, 1);
  tvl::xdrfclose(id, ret);
  EXPECT_EQ(ret, 1);
  for (const char* mode : {"a", "x", "r"}) {
    tvl::xdrfopen(id, "modes.bin", mode, ret);
    ASSERT_EQ(ret, 1) << mode;
    EXPECT_EQ(tvl::xdr_mode(id), 'r');
    int got = 0;
    tvl::xdrfint(id, &got, ret);
    EXPECT_EQ(got, 42);
    tvl::xdrfclose(id, ret);
  }
  // Reading a missing file fails; the mode "a" does not create it.
  tvl::xdrfopen(id, "missing.bin", "a", ret);
  EXPECT_EQ(id, 0);
  EXPECT_EQ(ret, 0);
  EXPECT_EQ(std::fopen("missing.bin", "r"), nullptr);
}

TEST(XdrTable, BlankPaddedNamesLoseTheirTrailingBlanks) {
  int id = 0, ret = 0;
  std::string field = "out.xtc" + std::string(249, ' ');
  tvl::xdrfopen(id, field, "w ", ret);
  ASSERT_EQ(ret, 1);
  tvl::xdrfclose(id, ret);
  std::FILE* f = std::fopen("out.xtc", "r");
  EXPECT_NE(f, nullptr);
  if (f) std::fclose(f);

  tvl::xdrfopen(id, std::string(512, 'n'), "w", ret);
  EXPECT_EQ(ret, 0);
  EXPECT_EQ(id, 0);
  // A mode that cannot be converted is taken as empty: the file is read.
  tvl::xdrfopen(id, "out.xtc", "www", ret);
  ASSERT_EQ(ret, 1);
  EXPECT_EQ(tvl::xdr_mode(id), 'r');
  tvl::xdrfclose(id, ret);
}

TEST(XdrTable, EveryItemTypeRoundTripsAndAdvancesCntByItsWidth) {
  int id = 0, ret = 0;
  tvl::xdrfopen(id, "items.bin", "w", ret);
  ASSERT_EQ(ret, 1);
  bool_t b = 1;
  char c = 'q';
  double d = -2.5e300;
  float f = 3.25f;
  int i = -7;
  long l = -123456;
  short s = -300;
  unsigned char uc = 250;
  unsigned long ul = 4000000000UL;
  unsigned short us = 65000;
  char op[5] = {'a', 'b', 'c', 'd', 'e'};
  char* opp = op;
  tvl::xdr_set_cnt(0);
  int all = 1;
  tvl::xdrfbool(id, &b, ret), all &= ret != 0;
  tvl::xdrfchar(id, &c, ret), all &= ret != 0;
  tvl::xdrfdouble(id, &d, ret), all &= ret != 0;
  tvl::xdrffloat(id, &f, ret), all &= ret != 0;
  tvl::xdrfint(id, &i, ret), all &= ret != 0;
  tvl::xdrflong(id, &l, ret), all &= ret != 0;
  tvl::xdrfshort(id, &s, ret), all &= ret != 0;
  tvl::xdrfuchar(id, &uc, ret), all &= ret != 0;
  tvl::xdrfulong(id, &ul, ret), all &= ret != 0;
  tvl::xdrfushort(id, &us, ret), all &= ret != 0;
  tvl::xdrfopaque(id, &opp, 5, ret), all &= ret != 0;
  EXPECT_EQ(all, 1);
  EXPECT_EQ(tvl::xdr_cnt(), 4 + 1 + 8 + 4 + 4 + 8 + 2 + 1 + 8 + 2 + 5);
  int pos = 0;
  tvl::xdrf(id, pos);
  EXPECT_EQ(pos, 4 * 11 + 8);  // doubles take 8 bytes, opaque 5 is padded to 8
  tvl::xdrfclose(id, ret);
  ASSERT_EQ(ret, 1);

  tvl::xdrfopen(id, "items.bin", "r", ret);
  bool_t b2 = 0;
  char c2 = 0;
  double d2 = 0;
  float f2 = 0;
  int i2 = 0;
  long l2 = 0;
  short s2 = 0;
  unsigned char uc2 = 0;
  unsigned long ul2 = 0;
  unsigned short us2 = 0;
  char op2[5] = {};
  char* opp2 = op2;
  tvl::xdrfbool(id, &b2, ret);
  tvl::xdrfchar(id, &c2, ret);
  tvl::xdrfdouble(id, &d2, ret);
  tvl::xdrffloat(id, &f2, ret);
  tvl::xdrfint(id, &i2, ret);
  tvl::xdrflong(id, &l2, ret);
  tvl::xdrfshort(id, &s2, ret);
  tvl::xdrfuchar(id, &uc2, ret);
  tvl::xdrfulong(id, &ul2, ret);
  tvl::xdrfushort(id, &us2, ret);
  tvl::xdrfopaque(id, &opp2, 5, ret);
  EXPECT_EQ(ret, 1);
  EXPECT_EQ(b2, 1);
  EXPECT_EQ(c2, 'q');
  EXPECT_EQ(d2, d);
  EXPECT_EQ(f2, f);
  EXPECT_EQ(i2, i);
  EXPECT_EQ(l2, l);
  EXPECT_EQ(s2, s);
  EXPECT_EQ(uc2, uc);
  EXPECT_EQ(ul2, ul);
  EXPECT_EQ(us2, us);
  EXPECT_EQ(std::string(op2, 5), "abcde");
  // Past the end: the item fails, nothing else happens.
  tvl::xdrfint(id, &i2, ret);
  EXPECT_EQ(ret, 0);
  tvl::xdrfsetpos(id, 16, ret);
  EXPECT_NE(ret, 0);
  tvl::xdrffloat(id, &f2, ret);
  EXPECT_EQ(f2, 3.25f);
  tvl::xdrfclose(id, ret);
  // An id that is not open gives ret 0 instead of touching a free slot.
  tvl::xdrfint(id, &i2, ret);
  EXPECT_EQ(ret, 0);
  tvl::xdrfint(99, &i2, ret);
  EXPECT_EQ(ret, 0);
}

TEST(XdrTable, VectorOfShortsUsesOffsetsZeroTwoFour) {
  int id = 0, ret = 0;
  short out[3] = {11, -22, 33};
  tvl::xdrfopen(id, "vec.bin", "w", ret);
  tvl::xdrfvector(id, out, 3, tvl::xdrfshort, ret);
  EXPECT_EQ(ret, 1);
  EXPECT_EQ(tvl::xdr_cnt(), 6);
  tvl::xdrfclose(id, ret);
  EXPECT_EQ(tvl::xdr_cnt(), 0);
  short in[3] = {};
  tvl::xdrfopen(id, "vec.bin", "r", ret);
  tvl::xdrfvector(id, in, 3, tvl::xdrfshort, ret);
  EXPECT_EQ(ret, 1);
  EXPECT_EQ(in[0], 11);
  EXPECT_EQ(in[1], -22);
  EXPECT_EQ(in[2], 33);
  // A vector running past the end reports the failure.
  tvl::xdrfvector(id, in, 3, tvl::xdrfshort, ret);
  EXPECT_EQ(ret, 0);
  tvl::xdrfclose(id, ret);
}

TEST(XdrTable, StringsAreBlankPaddedFieldsAndNeverOverrunThem) {
  int id = 0, ret = 0;
  char field[8] = {'a', 'b', 'c', ' ', ' ', ' ', ' ', ' '};
  char longer[12] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', ' ', ' ', ' '};
  tvl::xdrfopen(id, "str.bin", "w", ret);
  tvl::xdrfstring(id, field, 10, ret);
  EXPECT_EQ(ret, 1);
  tvl::xdrfstring(id, longer, 4, ret);  // 9 characters do not fit 4
  EXPECT_EQ(ret, -1);
  tvl::xdrfwrapstring(id, longer, ret);
  EXPECT_EQ(ret, 1);
  tvl::xdrfclose(id, ret);

  char in[8];
  std::fill(in, in + 8, 'x');
  tvl::xdrfopen(id, "str.bin", "r", ret);
  tvl::xdrfstring(id, in, 10, ret);
  EXPECT_EQ(ret, 1);
  EXPECT_EQ(std::string(in, 8), "abc     ");
  // 9 characters on the stream, room for 8 in the field: refused, no overrun.
  std::fill(in, in + 8, ' ');
  tvl::xdrfwrapstring(id, in, ret);
  EXPECT_EQ(ret, 0);
  tvl::xdrfclose(id, ret);
}

TEST(XdrTable, ClosingAFreeSlotOrAnUnknownStreamEndsTheProgram) {
  int id = 0, ret = 0;
  tvl::xdrfopen(id, "close.bin", "w", ret);
  tvl::xdrfclose(id, ret);
  tvl::Stop s = stop_of([&] { tvl::xdrfclose(id, ret); });
  EXPECT_EQ(s.status, 1);
  EXPECT_EQ(s.stream, tvl::Stream::err);
  ASSERT_EQ(s.lines.size(), 1u);
  EXPECT_EQ(s.lines[0], "xdrclose: passed a NULL pointer");
  s = stop_of([&] { tvl::xdrfclose(40, ret); });
  EXPECT_EQ(s.lines.at(0), "xdrclose: passed a NULL pointer");

  XDR stray;
  s = stop_of([&] { tvl::xdrclose(&stray); });
  EXPECT_EQ(s.status, 1);
  EXPECT_EQ(s.lines.at(0), "xdrclose: no such open xdr file");

  float x[3] = {};
  int n = 1;
  float p = 1000;
  s = stop_of([&] { tvl::xdr3dfcoord(&stray, x, &n, &p); });
  EXPECT_EQ(s.status, 1);
  EXPECT_EQ(s.stream, tvl::Stream::err);
  EXPECT_EQ(s.lines.at(0), "xdr error. no open xdr stream");
}

TEST(XdrTable, CallerSuppliedHandlesAreRegisteredAndLeftToTheCaller) {
  XDR mine;
  int id = tvl::xdropen(&mine, "own.bin", "w");
  ASSERT_NE(id, 0);
  EXPECT_EQ(tvl::xdr_handle(id), &mine);
  EXPECT_EQ(tvl::xdr_id_of(&mine), id);
  EXPECT_EQ(tvl::xdrclose(&mine), 1);
  EXPECT_EQ(tvl::xdr_id_of(&mine), 0);
}

TEST(XdrFileHandle, ClosesItselfAndReportsAFailedClose) {
  {
    tvl::XdrFile f("self.bin", "w");
    ASSERT_TRUE(f.is_open());
    EXPECT_EQ(f.id(), 1);
    tvl::XdrFile g = std::move(f);
    EXPECT_FALSE(f.is_open());
    EXPECT_EQ(g.id(), 1);
  }
  tvl::XdrFile again("self.bin", "r");
  EXPECT_EQ(again.id(), 1);  // the slot was freed by the destructor
  EXPECT_TRUE(again.close());
  EXPECT_TRUE(again.close());  // closing twice through the handle is harmless

  // Assigning over an open handle closes its slot first.
  {
    tvl::XdrFile a("self.bin", "r");
    tvl::XdrFile b("self.bin", "r");
    ASSERT_EQ(a.id(), 1);
    ASSERT_EQ(b.id(), 2);
    a = std::move(b);
    EXPECT_EQ(a.id(), 2);
    EXPECT_EQ(tvl::xdr_handle(1), nullptr);
  }
  EXPECT_EQ(tvl::xdr_handle(2), nullptr);

  tvl::XdrFile missing("no/such/dir/x.bin", "w");
  EXPECT_FALSE(missing);

  // Buffered data that cannot reach the disk makes the close fail.
  tvl::XdrFile full("/dev/full", "w");
  if (full) {
    int v = 1, ret = 0;
    for (int k = 0; k < 10; ++k) tvl::xdrfint(full.id(), &v, ret);
    EXPECT_FALSE(full.close());
  }
}

TEST(XdrText, FieldConversionsTrimAndPad) {
  char dest[6];
  EXPECT_EQ(tvl::ftocstr(dest, 6, "abc   ", 6), 0);
  EXPECT_STREQ(dest, "abc");
  EXPECT_EQ(tvl::ftocstr(dest, 6, "abcdef", 6), 1);
  EXPECT_STREQ(dest, "");
  char field[5];
  tvl::ctofstr(field, 5, "xy");
  EXPECT_EQ(std::string(field, 5), "xy   ");
  tvl::ctofstr(field, 5, "toolong");
  EXPECT_EQ(std::string(field, 5), "toolo");
}

}  // namespace
