#include "image/memory_image_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "image_test_support.h"

namespace zentrel {
namespace {

using test::RefusedCase;

// 43 bytes: platform "ZX-CORE" at 15, hardware version "1.x" at 33, CR LF.
const std::string kHeader = "ZENTREL IMAGE  ZX-CORE           1.x     \r\n";
// The same line with an LF alone: 42 bytes.
const std::string kLfHeader = "ZENTREL IMAGE  ZX-CORE           1.x     \n";

struct GoodMvxCase {
  const char* Name;
  std::string Text;
  std::vector<std::uint8_t> Image;  // from address 0; the rest stays as it was
};

void PrintTo(const GoodMvxCase& c, std::ostream* os) { *os << c.Name; }

std::vector<GoodMvxCase> GoodCases() {
  return {
      {"PairsOnLines", kHeader + "0102\r\n0304\r\nL\r\n", {1, 2, 3, 4}},
      {"OneLine", kHeader + "01020304L", {1, 2, 3, 4}},
      {"EndMarkAtBodyStart", kHeader + "L", {}},
      {"LfLineEnds", kHeader + "0102\n0304\nL\n", {1, 2, 3, 4}},
      {"LfHeaderAndLines", kLfHeader + "0102\n0304\nL\n", {1, 2, 3, 4}},
      {"LfHeaderCrLfLines", kLfHeader + "0102\r\n0304\r\nL\r\n", {1, 2, 3, 4}},
      {"LfHeaderThenMark", kLfHeader + "L", {}},
      {"EitherCase", kHeader + "aBcDeF0a\r\nL\r\n", {0xAB, 0xCD, 0xEF, 0x0A}},
      {"BlankLinesPassedOver", kHeader + "\r\n01\r\n\n\r\n02\r\nL", {1, 2}},
      {"HeaderLineOf43", kHeader.substr(0, 41) + "XY" + "\r\n0A0B\r\nL\r\n", {0x0A, 0x0B}},
      {"NothingAfterMarkRead", kHeader + "01L0G\r\n\r garbage", {1}},
      {"ImageOfExactlyTheBuffer", kHeader + std::string(2 * 260000, 'E') + "L",
       std::vector<std::uint8_t>(260000, 0xEE)},
  };
}

class MemoryImageGood : public testing::TestWithParam<GoodMvxCase> {};

TEST_P(MemoryImageGood, BuildsImageFromAddressZero) {
  const GoodMvxCase& c = GetParam();
  auto image = std::make_unique<ImageBytes>();
  image->fill(0x5A);
  const ReadResult result = test::ReadText(ReadMemoryImage, c.Text, *image);
  ASSERT_TRUE(result.Ok) << "line " << result.Line << ": " << result.Cause;
  EXPECT_EQ(result.Length, c.Image.size());
  EXPECT_TRUE(std::equal(c.Image.begin(), c.Image.end(), image->begin()));
  // Only the image's own bytes are written.
  if (c.Image.size() < image->size()) {
    EXPECT_EQ((*image)[c.Image.size()], 0x5A);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, MemoryImageGood, testing::ValuesIn(GoodCases()), test::kRowName);

std::vector<RefusedCase> BadCases() {
  return {
      // Line 0: the header.
      {"ShorterThanHeader", kHeader.substr(0, 42), 0, "file too short"},
      {"ShorterThanLfHeader", kLfHeader.substr(0, 41), 0, "file too short"},
      {"CrOnlyHeader", kHeader.substr(0, 42) + "0102\rL\r", 0, "line ends must be CR LF or LF"},
      {"HeaderLineTooShort", "ZENTREL IMAGE  ZX-CORE\r\n" + std::string(30, '0') + "\r\nL", 0,
       "line shorter than 41 characters"},
      // The body never begins inside the header's line: no pair is lost.
      {"HeaderRunsIntoTheBody", kHeader.substr(0, 41) + "0102030405L", 0,
       "line longer than 43 characters"},
      {"HeaderLineOf44", kHeader.substr(0, 41) + "XYZ\r\n0102L", 0,
       "line longer than 43 characters"},
      {"OnlyHeader", kHeader, 2, "no end mark 'L'"},
      {"OnlyLfHeader", kLfHeader, 2, "no end mark 'L'"},
      {"NoEndMark", kHeader + "0102\r\n0304\r\n", 4, "no end mark 'L'"},
      {"NoEndMarkNoLineEnd", kHeader + "0102", 2, "no end mark 'L'"},
      {"OddDigitsOnLine", kHeader + "010\r\n20L\r\n", 2, "odd number of hex digits"},
      {"NonDigit", kHeader + "0102\r\n03G4\r\nL", 3, "invalid hex digit"},
      {"MarkAsSecondDigit", kHeader + "0L\r\n", 2, "invalid hex digit"},
      {"LowerCaseMark", kHeader + "01l\r\n", 2, "invalid hex digit"},
      {"TrailingBlank", kHeader + "01 \r\nL", 2, "invalid hex digit"},
      {"BareCr", kHeader + "01\r02\r\nL", 2, "line ends must be CR LF or LF"},
      {"CrOnlyBody", kHeader + "0102\r0304\rL\r", 2, "line ends must be CR LF or LF"},
      {"LfHeaderOddDigits", kLfHeader + "0102\n030\nL", 3, "odd number of hex digits"},
      {"ImageLargerThanTheBuffer", kHeader + std::string(2 * 260000 + 2, '7') + "L", 2,
       "image larger than 260000 bytes"},
      // The end mark lies just beyond the count.
      {"NeverReadsPastTheCount", kHeader + "0102L", 2, "no end mark 'L'", 1},
  };
}

class MemoryImageBad : public testing::TestWithParam<RefusedCase> {};

TEST_P(MemoryImageBad, RefusedWithLineAndCause) {
  test::ExpectRefused(ReadMemoryImage, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cases, MemoryImageBad, testing::ValuesIn(BadCases()), test::kRowName);

}  // namespace
}  // namespace zentrel
