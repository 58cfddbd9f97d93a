#include "image/srec_reader.h"

#include <array>

#include "image/hex_digits.h"
#include "image/text_lines.h"

namespace zentrel {

namespace {

// Count, up to 4 address bytes and up to 251 data bytes, and the checksum:
// the count field covers all but itself.
constexpr std::uint32_t kMaxRecordBytes = 1 + 255;

struct Record {
  std::uint8_t Type = 0;  // the digit: 0 to 9
  std::uint64_t Address = 0;
  const std::uint8_t* Data = nullptr;
  std::uint32_t DataLength = 0;
};

// Address bytes per record type; 0 for a type that does not exist (S4).
constexpr std::array<std::uint8_t, 10> kAddressBytes = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

bool IsData(std::uint8_t type) { return type >= 1 && type <= 3; }
bool IsEnd(std::uint8_t type) { return type >= 7; }

const char* DecodeRecord(const std::uint8_t* text, const TextLine& line,
                         std::array<std::uint8_t, kMaxRecordBytes>& bytes, Record& record) {
  const std::uint8_t* chars = text + line.Begin;
  if (chars[0] != 'S') return "record does not begin with 'S'";
  if (line.Size() < 2 || chars[1] < '0' || chars[1] > '9' || kAddressBytes[chars[1] - '0'] == 0) {
    return "bad record type";
  }
  record.Type = static_cast<std::uint8_t>(chars[1] - '0');
  const std::uint32_t digitCount = line.Size() - 2;
  if (digitCount % 2 != 0) return "odd number of hex digits";
  const std::uint32_t pairs = digitCount / 2;
  const std::uint32_t addressBytes = kAddressBytes[record.Type];
  // The count, the address and the checksum at least.
  if (pairs < 1 + addressBytes + 1) return "record too short";
  if (pairs > kMaxRecordBytes) return "record longer than its count field";
  for (std::uint32_t i = 0; i < pairs; ++i) {
    if (!ParseHexPair(chars[2 + 2 * i], chars[3 + 2 * i], bytes[i])) return "invalid hex digit";
  }
  if (pairs < 1u + bytes[0]) return "record shorter than its count field";
  if (pairs > 1u + bytes[0]) return "record longer than its count field";
  std::uint8_t sum = 0;
  for (std::uint32_t i = 0; i < pairs; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
  if (sum != 0xFF) return "checksum mismatch";

  record.Address = 0;
  for (std::uint32_t i = 0; i < addressBytes; ++i) record.Address = record.Address << 8 | bytes[1 + i];
  record.Data = bytes.data() + 1 + addressBytes;
  record.DataLength = pairs - 2 - addressBytes;
  return nullptr;
}

// One walk over the records up to the end record. The first walk checks
// every record and finds the lowest address; the second places the data.
template <typename OnData>
ReadResult WalkRecords(const std::uint8_t* text, std::uint32_t count, OnData onData) {
  std::array<std::uint8_t, kMaxRecordBytes> bytes{};
  TextLines lines(text, count, 0, 1);
  TextLine line;
  std::uint32_t dataRecords = 0;
  while (lines.Next(line)) {
    if (line.Empty()) continue;
    // Checked first: CR-only line ends make the whole text one long record.
    if (line.BareCr) return ReadRefused(line.Number, kLineEndsCause);
    Record record;
    if (const char* cause = DecodeRecord(text, line, bytes, record)) {
      return ReadRefused(line.Number, cause);
    }
    if (IsEnd(record.Type)) return ReadSucceeded(0);
    if (IsData(record.Type)) {
      ++dataRecords;
      if (const char* cause = onData(record)) {
        return ReadRefusedAt(line.Number, cause, record.Address);
      }
    } else if ((record.Type == 5 || record.Type == 6) && record.Address != dataRecords) {
      return ReadRefused(line.Number, "record count does not match the data records before it");
    }
  }
  return ReadRefused(lines.NextNumber(), "no end record (S7, S8 or S9)");
}

}  // namespace

ReadResult ReadSRecord(const std::uint8_t* text, std::uint32_t count, ImageBytes& image,
                       ImageLayout& layout) {
  std::uint64_t lowest = UINT64_MAX;
  const ReadResult checked = WalkRecords(text, count, [&lowest](const Record& r) -> const char* {
    if (r.DataLength > 0 && r.Address < lowest) lowest = r.Address;
    return nullptr;
  });
  if (!checked.Ok) return checked;
  ImagePlacement placement(image, layout, lowest == UINT64_MAX ? 0 : lowest);
  const ReadResult placed = WalkRecords(text, count, [&placement](const Record& r) {
    return placement.Place({r.Address, r.DataLength, r.Address, 0}, true, r.Data);
  });
  if (!placed.Ok) return placed;
  return ReadSucceeded(placement.Length());
}

}  // namespace zentrel
