// Builds Intel HEX records and texts for the tests, checksums computed.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace zentrel::test {

struct HexRecordFields {
  std::uint8_t Type = 0;
  std::uint16_t Offset = 0;
  std::vector<std::uint8_t> Data;
  int LengthFieldDelta = 0;  // a length field that lies about the data
  int ChecksumDelta = 0;     // a wrong checksum
  bool LowerCase = false;
};

std::string HexRecord(const HexRecordFields& fields);

inline std::string Data(std::uint16_t offset, std::vector<std::uint8_t> bytes) {
  return HexRecord({0x00, offset, std::move(bytes)});
}
inline std::string SegmentBase(std::uint16_t segment) {
  return HexRecord({0x02, 0, {static_cast<std::uint8_t>(segment >> 8),
                              static_cast<std::uint8_t>(segment)}});
}
inline std::string LinearWindow(std::uint16_t window) {
  return HexRecord({0x04, 0, {static_cast<std::uint8_t>(window >> 8),
                              static_cast<std::uint8_t>(window)}});
}
inline std::string EndOfFile() { return ":00000001FF"; }

// Each line followed by lineEnd.
std::string Lines(std::initializer_list<std::string> lines, const char* lineEnd = "\r\n");

std::vector<std::uint8_t> Pattern(std::size_t count, std::uint8_t seed);

}  // namespace zentrel::test
