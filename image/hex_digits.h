// Values of hexadecimal digit characters in firmware text files.
#pragma once

#include <cstdint>

namespace zentrel {

// The byte of two digit characters, hi first: d(c) = c - 48 for c <= 58,
// else c - 55, and (16 * d(hi) + d(lo)) mod 256. Exact for '0'-'9' and
// 'A'-'F'; it validates nothing, so callers that take untrusted text check
// the digits first (ParseHexPair).
std::uint8_t hexPairValue(std::uint8_t hi, std::uint8_t lo);

// True for '0'-'9', 'A'-'F' and 'a'-'f'.
bool IsHexDigit(std::uint8_t c);

// The true value of two digits in either case; false, value untouched, when
// either character is not a hexadecimal digit.
bool ParseHexPair(std::uint8_t hi, std::uint8_t lo, std::uint8_t& value);

}  // namespace zentrel
