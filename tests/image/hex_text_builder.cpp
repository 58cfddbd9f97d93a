#include "hex_text_builder.h"

#include <cstdio>

namespace zentrel::test {

namespace {

void AppendByte(std::string& text, unsigned value, bool lowerCase) {
  char pair[3];
  std::snprintf(pair, sizeof pair, lowerCase ? "%02x" : "%02X", value & 0xFFu);
  text += pair;
}

}  // namespace

std::string HexRecord(const HexRecordFields& fields) {
  const unsigned length = static_cast<unsigned>(fields.Data.size()) + fields.LengthFieldDelta;
  const unsigned offset = fields.Offset;
  std::vector<unsigned> bytes = {length & 0xFFu, offset >> 8u, offset & 0xFFu, fields.Type};
  bytes.insert(bytes.end(), fields.Data.begin(), fields.Data.end());
  unsigned sum = 0;
  for (unsigned b : bytes) sum += b;
  bytes.push_back((0x100u - (sum & 0xFFu) + fields.ChecksumDelta) & 0xFFu);
  std::string text = ":";
  for (unsigned b : bytes) AppendByte(text, b, fields.LowerCase);
  return text;
}

std::string Lines(std::initializer_list<std::string> lines, const char* lineEnd) {
  std::string text;
  for (const std::string& line : lines) text += line + lineEnd;
  return text;
}

std::vector<std::uint8_t> Pattern(std::size_t count, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(seed + 7 * i + 1);
  return bytes;
}

}  // namespace zentrel::test
