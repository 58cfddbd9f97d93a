// The S-record reader on literal records: where the bytes land, the ranges
// it lists, and each refusal with its line and cause.
#include "image/srec_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "image_test_support.h"

namespace zentrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Loaded {
  const char* Name;
  std::string Text;
  std::uint32_t Length;
  std::uint64_t Origin;
  std::vector<std::pair<std::uint32_t, Bytes>> At;  // image address, bytes there
  std::vector<std::pair<std::uint64_t, std::uint64_t>> Ranges;  // file address, length
  std::uint32_t BootAreaBytes = 0;
};

void PrintTo(const Loaded& c, std::ostream* os) { *os << c.Name; }

std::vector<Loaded> LoadedRows() {
  return {
      {"S1RecordsJoinIntoOneRange",
       "S00600004844521B\r\nS107100001020304DE\r\nS10510040506DB\r\nS9031000EC\r\n", 0x1006, 0,
       {{0x1000, {1, 2, 3, 4, 5, 6}}}, {{0x1000, 6}}},
      // The 64 KiB window of the lowest address is image address 0.
      {"S3At0x08001000LandsAt0x1000",
       "S3080800100011223379\nS30608001003449A\nS30608011000558B\nS70508001000E2\n", 0x11001,
       0x08000000, {{0x1000, {0x11, 0x22, 0x33, 0x44}}, {0x11000, {0x55}}},
       {{0x08001000, 4}, {0x08011000, 1}}},
      {"S2AboveSixtyFourKiB", "S206012000AABB73\nS804000000FB\n", 0x2002, 0x10000,
       {{0x2000, {0xAA, 0xBB}}}, {{0x12000, 2}}},
      {"CountRecordsMatch", "S107100001020304DE\nS10510040506DB\nS5030002FA\nS9031000EC\n",
       0x1006, 0, {{0x1000, {1, 2, 3, 4, 5, 6}}}, {{0x1000, 6}}},
      {"S6CountMatches", "S107100001020304DE\nS10510040506DB\nS604000002F9\nS9031000EC\n", 0x1006,
       0, {{0x1000, {1, 2, 3, 4, 5, 6}}}, {{0x1000, 6}}},
      {"LowerCaseDigitsAndBlankLines", "\nS107100001020304de\n\nS9031000ec", 0x1004, 0,
       {{0x1000, {1, 2, 3, 4}}}, {{0x1000, 4}}},
      {"EmptyDataRecordWritesNothing", "S1031000EC\nS9031000EC\n", 0, 0, {}, {}},
      {"NothingAfterTheEndRecordIsRead", "S107100001020304DE\nS9031000EC\nS1 not a record\n",
       0x1004, 0, {{0x1000, {1, 2, 3, 4}}}, {{0x1000, 4}}},
      {"BytesInTheBootAreaAreCounted", "S10508000708E3\nS107100001020304DE\nS9031000EC\n",
       0x1004, 0, {{0x800, {7, 8}}, {0x1000, {1, 2, 3, 4}}}, {{0x800, 2}, {0x1000, 4}}, 2},
  };
}

class SRecordLoads : public ::testing::TestWithParam<Loaded> {};

TEST_P(SRecordLoads, BytesLandByAddressFromTheOrigin) {
  const Loaded& c = GetParam();
  auto image = std::make_unique<ImageBytes>();
  ImageLayout layout;
  const ReadResult result =
      ReadSRecord(reinterpret_cast<const std::uint8_t*>(c.Text.data()),
                  static_cast<std::uint32_t>(c.Text.size()), *image, layout);
  ASSERT_TRUE(result.Ok) << result.Line << ": " << result.Cause;
  EXPECT_EQ(result.Length, c.Length);
  EXPECT_EQ(layout.Origin, c.Origin);
  EXPECT_EQ(layout.BootAreaBytes, c.BootAreaBytes);
  auto expected = std::make_unique<ImageBytes>();
  for (const auto& [at, bytes] : c.At) {
    for (std::size_t i = 0; i < bytes.size(); ++i) (*expected)[at + i] = bytes[i];
  }
  EXPECT_TRUE(*image == *expected) << "bytes elsewhere than the records say";
  ASSERT_EQ(layout.RangeCount, c.Ranges.size());
  for (std::size_t i = 0; i < c.Ranges.size(); ++i) {
    EXPECT_EQ(layout.Ranges[i].Address, c.Ranges[i].first) << i;
    EXPECT_EQ(layout.Ranges[i].Length, c.Ranges[i].second) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, SRecordLoads, ::testing::ValuesIn(LoadedRows()), test::kRowName);

ReadResult ReadSRecordText(const std::uint8_t* text, std::uint32_t count, ImageBytes& image) {
  ImageLayout layout;
  return ReadSRecord(text, count, image, layout);
}

class SRecordRefused : public ::testing::TestWithParam<test::RefusedCase> {};

TEST_P(SRecordRefused, NamesTheLineAndTheCause) { test::ExpectRefused(ReadSRecordText, GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Rows, SRecordRefused,
    ::testing::Values(
        test::RefusedCase{"Checksum", "S107100001020304DF\nS9031000EC\n", 1, "checksum mismatch"},
        test::RefusedCase{"ChecksumOfTheEndRecord", "S107100001020304DE\nS9031000ED\n", 2,
                          "checksum mismatch"},
        test::RefusedCase{"TypeS4", "S4031000EC\n", 1, "bad record type"},
        test::RefusedCase{"TypeNotADigit", "SX031000EC\n", 1, "bad record type"},
        test::RefusedCase{"OddDigits", "S10710000102030\n", 1, "odd number of hex digits"},
        test::RefusedCase{"NotHex", "S1071000010203G4DE\n", 1, "invalid hex digit"},
        test::RefusedCase{"NoS", ":00000001FF\n", 1, "record does not begin with 'S'"},
        test::RefusedCase{"ShorterThanCount", "S108100001020304DE\n", 1,
                          "record shorter than its count field"},
        test::RefusedCase{"LongerThanCount", "S106100001020304DE\n", 1,
                          "record longer than its count field"},
        test::RefusedCase{"TooShort", "S10310\n", 1, "record too short"},
        test::RefusedCase{"CountMismatch", "S107100001020304DE\nS5030002FA\n", 2,
                          "record count does not match the data records before it"},
        test::RefusedCase{"BeyondTheImage",
                          "S3080800100011223379\nS3070803F79F010254\nS70508001000E2\n", 2,
                          "data beyond the 260000-byte image"},
        test::RefusedCase{"WrittenTwice", "S107100001020304DE\nS104100209E0\nS9031000EC\n", 2,
                          "byte written twice"},
        test::RefusedCase{"NoEndRecord", "S107100001020304DE\r\n", 2,
                          "no end record (S7, S8 or S9)"},
        // The end record lies beyond the count: never read.
        test::RefusedCase{"EndBeyondTheCount", "S107100001020304DE\nS9031000EC", 2,
                          "no end record (S7, S8 or S9)", 10},
        test::RefusedCase{"CrOnly", "S107100001020304DE\rS9031000EC\r", 1,
                          "line ends must be CR LF or LF"}),
    test::kRowName);

}  // namespace
}  // namespace zentrel
