#include "image/hex_digits.h"

#include <gtest/gtest.h>

#include <vector>

namespace zentrel {
namespace {

struct PairCase {
  char Hi;
  char Lo;
  std::uint8_t Formula;  // hexPairValue
  bool Valid;            // ParseHexPair accepts it
  std::uint8_t Value;    // ParseHexPair's value when valid
};

const std::vector<PairCase> kPairs = {
    {'0', '0', 0x00, true, 0x00},  {'0', '9', 0x09, true, 0x09},
    {'9', '0', 0x90, true, 0x90},  {'A', 'F', 0xAF, true, 0xAF},
    {'F', 'F', 0xFF, true, 0xFF},  {'7', 'C', 0x7C, true, 0x7C},
    // Lower case: right as the first digit, 32 too much as the second.
    {'a', '0', 0xA0, true, 0xA0},  {'0', 'a', 0x2A, true, 0x0A},
    {'f', 'f', 0x1F, true, 0xFF},  {'c', 'D', 0xCD, true, 0xCD},
    // Not digits: the formula still gives a value, the parser refuses.
    {':', '0', 0xA0, false, 0},    {'0', ':', 0x0A, false, 0},
    {'G', '0', 0x00, false, 0},    {'0', 'g', 0x30, false, 0},
    {' ', '0', 0x00, false, 0},    {'/', '0', 0xF0, false, 0},
    {'@', '0', 0x90, false, 0},    {'`', '0', 0x90, false, 0},
    {'\r', '\n', 0xAA, false, 0},  {'0', 'L', 0x15, false, 0},
};

TEST(HexDigits, FormulaAndStrictValue) {
  for (const PairCase& c : kPairs) {
    SCOPED_TRACE(testing::Message() << "pair '" << c.Hi << c.Lo << "'");
    const auto hi = static_cast<std::uint8_t>(c.Hi);
    const auto lo = static_cast<std::uint8_t>(c.Lo);
    EXPECT_EQ(hexPairValue(hi, lo), c.Formula);
    std::uint8_t value = 0x77;
    EXPECT_EQ(ParseHexPair(hi, lo, value), c.Valid);
    EXPECT_EQ(value, c.Valid ? c.Value : 0x77);
  }
}

TEST(HexDigits, EveryValidPairHasItsTrueValue) {
  const char* digits = "0123456789ABCDEFabcdef";
  for (const char* hi = digits; *hi; ++hi) {
    for (const char* lo = digits; *lo; ++lo) {
      std::uint8_t value = 0;
      ASSERT_TRUE(ParseHexPair(static_cast<std::uint8_t>(*hi), static_cast<std::uint8_t>(*lo),
                               value));
      const char text[3] = {*hi, *lo, 0};
      EXPECT_EQ(value, std::stoul(text, nullptr, 16)) << text;
    }
  }
}

}  // namespace
}  // namespace zentrel
