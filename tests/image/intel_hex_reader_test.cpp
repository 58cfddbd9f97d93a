#include "image/intel_hex_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hex_text_builder.h"
#include "image_test_support.h"

namespace zentrel {
namespace {

using test::Data;
using test::EndOfFile;
using test::HexRecord;
using test::LinearWindow;
using test::Lines;
using test::Pattern;
using test::RefusedCase;
using test::SegmentBase;

struct Placement {
  std::uint32_t Address;
  std::vector<std::uint8_t> Bytes;
};

struct GoodHexCase {
  const char* Name;
  std::string Text;
  std::uint32_t Length;
  std::vector<Placement> Expected;  // everything else stays 0
};

void PrintTo(const GoodHexCase& c, std::ostream* os) { *os << c.Name; }

const std::vector<std::uint8_t> k16 = Pattern(16, 0x30);

std::vector<GoodHexCase> GoodCases() {
  return {
      {"FourBytesAtSixteen", ":0400100001020304E2\r\n:00000001FF\r\n", 20,
       {{16, {1, 2, 3, 4}}}},
      {"LfLineEnds", ":0400100001020304E2\n:00000001FF\n", 20, {{16, {1, 2, 3, 4}}}},
      {"LowerCaseDigits",
       Lines({HexRecord({0x00, 0x00AB, {0xAF, 0x0A, 0xFF}, 0, 0, true}), EndOfFile()}), 0xAE,
       {{0xAB, {0xAF, 0x0A, 0xFF}}}},
      {"BlankLinesPassedOver", "\r\n" + Lines({Data(0, {9}), "", EndOfFile()}, "\n"), 1,
       {{0, {9}}}},
      {"EndOfFileWithoutLineEnd", Data(4, {1}) + "\r\n" + EndOfFile(), 5, {{4, {1}}}},
      {"SegmentBaseMovesData", Lines({":020000020100FB", Data(0, {0xAA}), EndOfFile()}), 4097,
       {{4096, {0xAA}}}},
      {"SegmentBaseHoldsUntilNext",
       Lines({SegmentBase(0x100), Data(0, {1}), Data(0x10, {2}), SegmentBase(0),
              Data(0, {3}), EndOfFile()}),
       0x1011, {{0, {3}}, {0x1000, {1}}, {0x1010, {2}}}},
      {"OneLinearWindowIsTheOrigin",
       Lines({LinearWindow(0x0800), Data(0x1000, k16), EndOfFile()}), 0x1010,
       {{0x1000, k16}}},
      {"TwoLinearWindowsStayApart",
       Lines({LinearWindow(0x0800), Data(0xFFF0, k16), LinearWindow(0x0801), Data(0, k16),
              EndOfFile()}),
       0x10010, {{0xFFF0, k16}, {0x10000, k16}}},
      {"WindowZeroBeforeAnyLinearRecord",
       Lines({Data(0, {1}), LinearWindow(0x0001), Data(0, {2}), EndOfFile()}), 0x10001,
       {{0, {1}}, {0x10000, {2}}}},
      {"LinearWindowWithSegmentBase",
       Lines({LinearWindow(0x0001), SegmentBase(0x100), Data(0x10, {5}), EndOfFile()}), 0x1011,
       {{0x1010, {5}}}},
      {"LengthIsHighestEndNotLastRecord",
       Lines({Data(0x2000, k16), Data(0x1000, k16), EndOfFile()}), 0x2010,
       {{0x1000, k16}, {0x2000, k16}}},
      {"EmptyDataRecordEndsAtItsStart",
       Lines({Data(0x10, {1, 2, 3, 4}), Data(0x100, {}), Data(0x8, {}), EndOfFile()}), 0x100,
       {{0x10, {1, 2, 3, 4}}}},
      {"StartAndUnknownRecordsHaveNoEffect",
       Lines({HexRecord({0x03, 0, {0, 0, 1, 0}}), HexRecord({0x05, 0, {0, 0, 0x10, 0}}),
              HexRecord({0x06, 0x20, {7, 7}}), Data(2, {6}), EndOfFile()}),
       3, {{2, {6}}}},
      {"NoDataRecords", Lines({EndOfFile()}), 0, {}},
      {"TextAfterEndOfFileNeverRead", Lines({Data(0, {1}), EndOfFile(), "garbage", "\r"}), 1,
       {{0, {1}}}},
      {"RecordCrossing64KiBDoesNotWrap", Lines({Data(0xFFFE, {1, 2, 3, 4}), EndOfFile()}),
       0x10002, {{0xFFFE, {1, 2, 3, 4}}}},
      {"LastByteOfTheBuffer", Lines({SegmentBase(0x3F79), Data(0x000E, {1, 2}), EndOfFile()}),
       260000, {{259998, {1, 2}}}},
  };
}

class IntelHexGood : public testing::TestWithParam<GoodHexCase> {};

TEST_P(IntelHexGood, BuildsImageAndLength) {
  const GoodHexCase& c = GetParam();
  auto image = std::make_unique<ImageBytes>();
  auto expected = std::make_unique<ImageBytes>();
  for (const Placement& p : c.Expected) {
    for (std::size_t i = 0; i < p.Bytes.size(); ++i) (*expected)[p.Address + i] = p.Bytes[i];
  }
  const ReadResult result = test::ReadText(ReadIntelHex, c.Text, *image);
  ASSERT_TRUE(result.Ok) << "line " << result.Line << ": " << result.Cause;
  EXPECT_EQ(result.Length, c.Length);
  EXPECT_TRUE(*image == *expected);
  for (std::size_t i = 0; i < image->size(); ++i) {
    if ((*image)[i] != (*expected)[i]) {
      ADD_FAILURE() << "first difference at " << i;
      break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, IntelHexGood, testing::ValuesIn(GoodCases()), test::kRowName);

std::vector<RefusedCase> BadCases() {
  const std::string eof = EndOfFile();
  return {
      {"NoColon", Lines({"0400100001020304E2", eof}), 1, "record does not begin with ':'"},
      {"LeadingBlank", Lines({" " + Data(0, {1}), eof}), 1, "record does not begin with ':'"},
      {"ChecksumMismatch", Lines({Data(0, {1}), HexRecord({0x00, 4, {1, 2}, 0, 1}), eof}), 2,
       "checksum mismatch"},
      {"NonDigitInData", Lines({":01000000G000", eof}), 1, "invalid hex digit"},
      {"NonDigitInHeader", Lines({":01000x000000", eof}), 1, "invalid hex digit"},
      {"ColonAsDigit", Lines({":0:00000100", eof}), 1, "invalid hex digit"},
      {"BareCrInRecord", ":000000\r01FF\n", 1, "line ends must be CR LF or LF"},
      {"CrOnlyLineEnds", ":0400100001020304E2\r:00000001FF\r", 1,
       "line ends must be CR LF or LF"},
      {"CrCrLf", Lines({Data(0, {1}), eof}, "\r\r\n"), 1, "line ends must be CR LF or LF"},
      {"TooShort", Lines({":000000", eof}), 1, "record too short"},
      {"ShorterThanLengthField", Lines({HexRecord({0x00, 0, {1, 2}, 1}), eof}), 1,
       "record shorter than its length field"},
      {"LongerThanLengthField", Lines({HexRecord({0x00, 0, {1, 2}, -1}), eof}), 1,
       "record longer than its length field"},
      {"TrailingBlank", Lines({Data(0, {1}) + " ", eof}), 1,
       "record longer than its length field"},
      {"CutShortInRecord", Lines({Data(0, {1})}) + ":0400100001", 2,
       "record shorter than its length field"},
      {"NoEndOfFile", Lines({Data(0, {1}), Data(1, {2})}), 3, "no End Of File record"},
      {"NoEndOfFileNoLineEnd", Data(0, {1}), 1, "no End Of File record"},
      {"SegmentRecordLengthNot2", Lines({HexRecord({0x02, 0, {0x10}}), eof}), 1,
       "address record length is not 2"},
      {"LinearRecordLengthNot2", Lines({HexRecord({0x04, 0, {0, 0, 1}}), eof}), 1,
       "address record length is not 2"},
      {"DataPastTheBuffer", Lines({SegmentBase(0x3F79), Data(0x000F, {1, 2}), eof}), 2,
       "data beyond the 260000-byte image"},
      {"EmptyRecordPastTheBuffer", Lines({SegmentBase(0xFFFF), Data(0xFFFF, {}), eof}), 2,
       "data beyond the 260000-byte image"},
      {"WindowsTooFarApart",
       Lines({Data(0, {1}), LinearWindow(0x0800), Data(0, {2}), eof}), 3,
       "data beyond the 260000-byte image"},
      {"WindowBelowOrigin",
       Lines({LinearWindow(0x0801), Data(0, {1}), LinearWindow(0x0800), Data(0xFFFF, {2}),
              eof}),
       4, "data below the first data record's address window"},
      {"ByteWrittenTwice", Lines({Data(0x10, {1, 2, 3, 4}), Data(0x13, {5, 6}), eof}), 2,
       "byte written twice"},
      {"SameAddressThroughSegmentBase",
       Lines({Data(0x1000, {1}), SegmentBase(0x100), Data(0, {2}), eof}), 3,
       "byte written twice"},
      // The count ends inside the End Of File record; what lies beyond must
      // not complete it.
      {"NeverReadsPastTheCount", Lines({Data(0, {1}), eof}), 2, "record too short", 4},
  };
}

class IntelHexBad : public testing::TestWithParam<RefusedCase> {};

TEST_P(IntelHexBad, RefusedWithLineAndCause) { test::ExpectRefused(ReadIntelHex, GetParam()); }

INSTANTIATE_TEST_SUITE_P(Cases, IntelHexBad, testing::ValuesIn(BadCases()), test::kRowName);

TEST(IntelHexReader, EmptyTextHasNoEndOfFile) {
  auto image = std::make_unique<ImageBytes>();
  const ReadResult result = ReadIntelHex(nullptr, 0, *image);
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(std::string(result.Cause), "no End Of File record");
}

}  // namespace
}  // namespace zentrel
