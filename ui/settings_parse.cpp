#include "ui/settings_parse.h"

namespace zentrel {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParseHexId(const char* text, std::uint32_t& value) {
  if (text == nullptr) return false;
  std::size_t length = 0;
  while (length < kIdEntryChars && text[length] != '\0') ++length;

  std::size_t i = 0;
  while (i < length && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < length && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // "0x" with no digit after it still reads as the number 0: the '0' counts.
  bool sawDigit = false;
  if (i + 1 < length && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    sawDigit = true;
    i += 2;
  }
  std::uint32_t number = 0;
  for (; i < length; ++i) {
    const int digit = HexDigitValue(text[i]);
    if (digit < 0) break;
    number = (number << 4) | static_cast<std::uint32_t>(digit);
    sawDigit = true;
  }
  if (!sawDigit) return false;
  value = negative ? 0u - number : number;
  return true;
}

}  // namespace zentrel
