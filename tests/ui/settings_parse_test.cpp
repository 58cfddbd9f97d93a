#include "ui/settings_parse.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace zentrel {
namespace {

struct ParseCase {
  const char* Name;
  const char* Text;
  bool Read;
  std::uint32_t Expected;  // the value afterwards; kBefore when unchanged
};

constexpr std::uint32_t kBefore = 0xCAFE;

class ParseHexIdTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseHexIdTest, ReadsLikeTheHexInputConversion) {
  const ParseCase& c = GetParam();
  std::uint32_t value = kBefore;
  EXPECT_EQ(ParseHexId(c.Text, value), c.Read);
  EXPECT_EQ(value, c.Expected) << "text \"" << c.Text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ParseHexIdTest,
    ::testing::Values(
        ParseCase{"Prefixed", "0x1D50", true, 0x1D50},
        ParseCase{"UpperPrefix", "0X12", true, 0x12},
        ParseCase{"NoPrefix", "12", true, 0x12},
        ParseCase{"MixedCaseDigits", "aBcD", true, 0xABCD},
        ParseCase{"StopsAtFirstOther", "12zz", true, 0x12},
        ParseCase{"LeadingBlanks", " \t 0x7f", true, 0x7F},
        ParseCase{"PlusSign", "+0x10", true, 0x10},
        ParseCase{"MinusWrapsUnsigned", "-1", true, 0xFFFFFFFFu},
        ParseCase{"MinusWithPrefix", "-0x2", true, 0xFFFFFFFEu},
        ParseCase{"AboveSixteenBitsKeptWhole", "0x10000", true, 0x10000},
        ParseCase{"SevenDigitsRoundTrip", "0xABCDEF0", true, 0xABCDEF0},
        // Ten characters: only nine are read, so the last digit is lost.
        ParseCase{"EightDigitsLoseTheLast", "0x12345678", true, 0x1234567},
        // Nine digits fit the limit but not 32 bits: the top digit wraps away.
        ParseCase{"NineDigitsWrap", "123456789", true, 0x23456789},
        // Blanks count against the nine characters.
        ParseCase{"BlanksUseTheLimit", "        12", true, 0x1},
        ParseCase{"LimitLeavesOnlyBlanks", "         12", false, kBefore},
        // The zero before the x is a number even with no digit after the prefix.
        ParseCase{"PrefixAlone", "0x", true, 0},
        ParseCase{"PrefixThenOther", "0xg", true, 0},
        ParseCase{"Empty", "", false, kBefore},
        ParseCase{"OnlyBlanks", "   ", false, kBefore},
        ParseCase{"OnlySign", "-", false, kBefore},
        ParseCase{"LetterFirst", "zz12", false, kBefore},
        ParseCase{"XWithoutZero", "x12", false, kBefore},
        ParseCase{"BlankAfterSign", "- 12", false, kBefore}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return info.param.Name; });

TEST(ParseHexIdLimit, NeverReadsPastNineCharacters) {
  // No terminator within reach: the parser must stop at nine characters.
  const char text[9] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  std::uint32_t value = 0;
  EXPECT_TRUE(ParseHexId(text, value));
  EXPECT_EQ(value, 0x23456789u);
}

TEST(ParseHexIdLimit, NullTextReadsNothing) {
  std::uint32_t value = kBefore;
  EXPECT_FALSE(ParseHexId(nullptr, value));
  EXPECT_EQ(value, kBefore);
}

}  // namespace
}  // namespace zentrel
