#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/traj/crd.h"
#include "helpers.h"

using namespace tvl;

namespace {

std::vector<std::int32_t> words(const std::string& bytes) {
  std::vector<std::int32_t> w(bytes.size() / 4);
  std::memcpy(w.data(), bytes.data(), w.size() * 4);
  return w;
}

std::string bytes(const std::vector<std::int32_t>& w) {
  return std::string(reinterpret_cast<const char*>(w.data()), w.size() * 4);
}

std::int32_t f2i(float f) {
  std::int32_t i;
  std::memcpy(&i, &f, 4);
  return i;
}

// Reads every frame; returns the results in order, the last being end or bad.
std::vector<crd::ReadResult> read_all(const std::string& name, std::vector<crd::Frame>* frames = nullptr) {
  crd::Reader r;
  std::vector<crd::ReadResult> out;
  if (!r.open(name, 1000)) return out;
  crd::Frame f;
  for (;;) {
    const crd::ReadResult x = r.next(f);
    out.push_back(x);
    if (x != crd::ReadResult::ok) break;
    if (frames) frames->push_back(f);
  }
  return out;
}

}  // namespace

TEST(Crd, FileLayoutIsHeaderThenOneRecordPerFrame) {
  test::write_crd("c1.crd", 2, 1, 1);
  const std::vector<std::int32_t> w = words(test::read_file("c1.crd"));
  const crd::Frame f = test::frame(2, 1);
  EXPECT_EQ(w, (std::vector<std::int32_t>{4, 2, 4, 36, f2i(1.0f), f2i(2.0f), f2i(3.0f), f2i(f.x[0]),
                                          f2i(f.x[1]), f2i(f.y[0]), f2i(f.y[1]), f2i(f.z[0]),
                                          f2i(f.z[1]), 36}));
}

TEST(Crd, RoundTripOfSeveralFrames) {
  test::write_crd("c2.crd", 5, 0, 4);
  std::vector<crd::Frame> fr;
  const auto res = read_all("c2.crd", &fr);
  ASSERT_EQ(res.size(), 5u);
  EXPECT_EQ(res.back(), crd::ReadResult::end);
  for (int k = 0; k < 4; ++k) {
    const crd::Frame e = test::frame(5, k);
    EXPECT_EQ(fr[k].box[0], e.box[0]);
    EXPECT_EQ(fr[k].x, e.x);
    EXPECT_EQ(fr[k].y, e.y);
    EXPECT_EQ(fr[k].z, e.z);
  }
  crd::Reader r;
  ASSERT_TRUE(r.open("c2.crd", 5));
  EXPECT_EQ(r.natoms(), 5);
  crd::Frame f;
  EXPECT_EQ(r.next(f), crd::ReadResult::ok);
  EXPECT_EQ(r.next(f), crd::ReadResult::ok);
  EXPECT_EQ(f.box[0], 1.0f);
  EXPECT_EQ(r.frames_read(), 2);
}

TEST(Crd, HeaderOnlyGivesNoFrame) {
  test::write_crd("c3.crd", 7, 0, 0);
  const auto res = read_all("c3.crd");
  ASSERT_EQ(res.size(), 1u);
  EXPECT_EQ(res[0], crd::ReadResult::end);
}

TEST(Crd, MissingOrEmptyFileIsNotOpened) {
  crd::Reader r;
  std::string why;
  EXPECT_FALSE(r.open("no_such.crd", 10, &why));
  EXPECT_NE(why.find("No such file"), std::string::npos);
  test::write_file("c4.crd", "");
  EXPECT_FALSE(r.open("c4.crd", 10, &why));
  EXPECT_EQ(why, "the file is empty");
  EXPECT_FALSE(r.is_open());
}

TEST(Crd, TruncatedAtEveryByteUsesOnlyWholeFrames) {
  test::write_crd("c5.crd", 3, 0, 3);
  const std::string all = test::read_file("c5.crd");
  const std::size_t header = 12, rec = 8 + 12 + 36;
  ASSERT_EQ(all.size(), header + 3 * rec);
  testing::internal::CaptureStderr();
  for (std::size_t len = 0; len < all.size(); ++len) {
    test::write_file("c5cut.crd", all.substr(0, len));
    crd::Reader r;
    if (len < header) {
      EXPECT_FALSE(r.open("c5cut.crd", 10)) << len;
      continue;
    }
    const auto res = read_all("c5cut.crd");
    const std::size_t whole = (len - header) / rec;
    ASSERT_EQ(res.size(), whole + 1) << len;
    const bool boundary = (len - header) % rec == 0;
    EXPECT_EQ(res.back(), boundary ? crd::ReadResult::end : crd::ReadResult::bad) << len;
  }
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("WARNING: crd-file \"c5cut.crd\": frame 3 is cut short; the frames before it are used"),
            std::string::npos);
}

TEST(Crd, ByteSwappedFileNamesEndianflip) {
  test::write_crd("c6.crd", 2, 0, 2);
  std::vector<std::int32_t> w = words(test::read_file("c6.crd"));
  for (auto& v : w) v = static_cast<std::int32_t>(crd::byte_swap(static_cast<std::uint32_t>(v)));
  test::write_file("c6swap.crd", bytes(w));
  crd::Reader r;
  const std::string t = test::stop_text([&] { r.open("c6swap.crd", 100); });
  EXPECT_EQ(t,
            " ERROR: crd-file \"c6swap.crd\": record 1 is not a header record of 4 bytes\n"
            "        the file looks like one written in the other byte order: convert it with endianflip\n");
  EXPECT_FALSE(r.is_open());
}

TEST(Crd, BadHeaders) {
  crd::Reader r;
  test::write_file("c7.crd", bytes({8, 2, 4}));
  EXPECT_EQ(test::stop_text([&] { r.open("c7.crd", 100); }),
            " ERROR: crd-file \"c7.crd\": record 1 is not a header record of 4 bytes\n");
  test::write_file("c7.crd", bytes({4, 101, 4}));
  EXPECT_EQ(test::stop_text([&] { r.open("c7.crd", 100); }),
            " ERROR: crd-file \"c7.crd\": header holds 101 sites; allowed are 0 to 100\n");
  test::write_file("c7.crd", bytes({4, -1, 4}));
  EXPECT_NE(test::stop_text([&] { r.open("c7.crd", 100); }).find("holds -1 sites"),
            std::string::npos);
  test::write_file("c7.crd", bytes({4, 100, 4}));
  EXPECT_TRUE(r.open("c7.crd", 100));
}

TEST(Crd, FrameMarkersAreChecked) {
  test::write_crd("c8.crd", 2, 0, 2);
  const std::vector<std::int32_t> good = words(test::read_file("c8.crd"));
  // record 3 = frame 2 starts at word 3 + 11
  auto w = good;
  w[3 + 11 + 10] = 40;  // trailing marker of frame 2
  test::write_file("c8bad.crd", bytes(w));
  std::vector<crd::Frame> fr;
  EXPECT_EQ(test::stop_text([&] { read_all("c8bad.crd", &fr); }),
            " ERROR: crd-file \"c8bad.crd\": record 3 (frame 2): the length markers disagree (36 "
            "before, 40 after)\n");
  w = good;
  w[3] = 32;  // too short for the box and 3N values
  test::write_file("c8bad.crd", bytes(w));
  EXPECT_EQ(test::stop_text([&] { read_all("c8bad.crd"); }),
            " ERROR: crd-file \"c8bad.crd\": record 2 (frame 1) has a length marker of 32 bytes; a "
            "frame of 2 sites needs 36\n");
  w = good;
  w[3] = static_cast<std::int32_t>(crd::byte_swap(36));
  w[3 + 10] = w[3];
  test::write_file("c8bad.crd", bytes(w));
  const std::string t = test::stop_text([&] { read_all("c8bad.crd"); });
  EXPECT_NE(t.find("endianflip"), std::string::npos) << t;
}

TEST(Crd, LongerRecordIsReadAndItsRestSkipped) {
  const crd::Frame a = test::frame(1, 5), b = test::frame(1, 6);
  // N = 1: the first record carries two extra words.
  test::write_file("c9.crd", bytes({4, 1, 4, 32, f2i(a.box[0]), f2i(2), f2i(3), f2i(a.x[0]),
                                    f2i(a.y[0]), f2i(a.z[0]), 7, 8, 32, 24, f2i(b.box[0]), f2i(2),
                                    f2i(3), f2i(b.x[0]), f2i(b.y[0]), f2i(b.z[0]), 24}));
  std::vector<crd::Frame> fr;
  const auto res = read_all("c9.crd", &fr);
  ASSERT_EQ(res.size(), 3u);
  EXPECT_EQ(fr[0].z[0], a.z[0]);
  EXPECT_EQ(fr[1].box[0], 6.0f);
}

TEST(Crd, WriterRefusesShortFramesAndExistingFilesWhenExclusive) {
  test::write_file("c10.crd", "keep me");
  crd::Writer w;
  const std::string t = test::stop_text([&] { w.open("c10.crd", 2, true); });
  EXPECT_NE(t.find("c10.crd"), std::string::npos);
  EXPECT_EQ(test::read_file("c10.crd"), "keep me");
  w.open("c11.crd", 3);
  EXPECT_NE(test::stop_text([&] { w.write(test::frame(2, 0)); }).find("fewer than 3 sites"),
            std::string::npos);
  crd::Writer bad;
  EXPECT_NE(test::stop_text([&] { bad.open("no_dir/x.crd", 1); }).find("no_dir/x.crd"),
            std::string::npos);
  // A site count whose record length the 4-byte marker cannot hold, or a
  // negative one, is refused before the file is created.
  EXPECT_EQ(test::stop_text([&] { bad.open("huge.crd", 200000000); }),
            " ERROR: crd-file \"huge.crd\": 200000000 sites do not fit one crd record\n");
  EXPECT_EQ(test::stop_text([&] { bad.open("huge.crd", -1); }),
            " ERROR: crd-file \"huge.crd\": negative number of sites\n");
  EXPECT_EQ(test::read_file("huge.crd"), "");
  EXPECT_FALSE(bad.is_open());
}

TEST(Crd, WriteFailureIsAnErrorNamingTheFile) {
  std::FILE* probe = std::fopen("/dev/full", "wb");
  if (!probe) GTEST_SKIP() << "/dev/full not available";
  std::fclose(probe);
  crd::Writer w;
  const std::string t = test::stop_text([&] {
    w.open("/dev/full", 1000);
    for (int k = 0; k < 100; ++k) w.write(test::frame(1000, k));
    w.close();
  });
  EXPECT_NE(t.find("/dev/full"), std::string::npos);
}

TEST(Crd, AnyDamagedByteGivesWholeFramesAWarningOrAStop) {
  test::write_crd("c12.crd", 2, 0, 3);
  const std::string good = test::read_file("c12.crd");
  testing::internal::CaptureStderr();
  for (std::size_t at = 0; at < good.size(); ++at) {
    for (unsigned char v : {0x00, 0x7F, 0xFF}) {
      std::string bad = good;
      if (static_cast<unsigned char>(bad[at]) == v) continue;
      bad[at] = static_cast<char>(v);
      test::write_file("c12bad.crd", bad);
      try {
        std::vector<crd::Frame> fr;
        read_all("c12bad.crd", &fr);
        EXPECT_LE(fr.size(), 3u);
        // Frames that pass hold as many sites as the header says (a damaged
        // count of 0 or 1 still fits the records, which are then longer).
        for (std::size_t k = 0; k < fr.size(); ++k) {
          EXPECT_LE(fr[k].x.size(), 2u);
          EXPECT_EQ(fr[k].y.size(), fr[k].x.size());
          EXPECT_EQ(fr[k].z.size(), fr[k].x.size());
        }
      } catch (const tvl::Stop&) {
      }
    }
  }
  testing::internal::GetCapturedStderr();
}
