#include "image/hex_digits.h"

namespace zentrel {

namespace {

unsigned DigitValue(std::uint8_t c) { return c <= 58 ? c - 48u : c - 55u; }

std::uint8_t ToUpperDigit(std::uint8_t c) {
  return (c >= 'a' && c <= 'f') ? static_cast<std::uint8_t>(c - 32) : c;
}

}  // namespace

std::uint8_t hexPairValue(std::uint8_t hi, std::uint8_t lo) {
  return static_cast<std::uint8_t>((16u * DigitValue(hi) + DigitValue(lo)) & 0xFFu);
}

bool IsHexDigit(std::uint8_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool ParseHexPair(std::uint8_t hi, std::uint8_t lo, std::uint8_t& value) {
  if (!IsHexDigit(hi) || !IsHexDigit(lo)) return false;
  // Upper case first: the formula is exact only for upper-case letters.
  value = hexPairValue(ToUpperDigit(hi), ToUpperDigit(lo));
  return true;
}

}  // namespace zentrel
