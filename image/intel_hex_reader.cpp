#include "image/intel_hex_reader.h"

#include <array>

#include "image/hex_digits.h"
#include "image/text_lines.h"
#include "image/written_bytes.h"

namespace zentrel {

namespace {

constexpr std::uint8_t kTypeData = 0x00;
constexpr std::uint8_t kTypeEndOfFile = 0x01;
constexpr std::uint8_t kTypeSegmentBase = 0x02;
constexpr std::uint8_t kTypeLinearWindow = 0x04;

// Length, offset (2), type and checksum: the bytes of a record besides data.
constexpr std::uint32_t kRecordOverhead = 5;
constexpr std::uint32_t kMaxRecordBytes = kRecordOverhead + 255;

struct Record {
  std::uint8_t Length = 0;
  std::uint16_t Offset = 0;
  std::uint8_t Type = 0;
  const std::uint8_t* Data = nullptr;  // Length bytes in the decoded buffer
};

// Decodes one non-empty line into `bytes`; returns the cause when refused.
const char* DecodeRecord(const std::uint8_t* text, const TextLine& line,
                         std::array<std::uint8_t, kMaxRecordBytes>& bytes, Record& record) {
  if (text[line.Begin] != ':') return "record does not begin with ':'";
  const std::uint8_t* digits = text + line.Begin + 1;
  const std::uint32_t digitCount = line.Size() - 1;
  if (digitCount < 2 * kRecordOverhead) return "record too short";

  // The four header bytes first: the length field says how long the rest is.
  for (std::uint32_t i = 0; i < 4; ++i) {
    if (!ParseHexPair(digits[2 * i], digits[2 * i + 1], bytes[i])) return "invalid hex digit";
  }
  const std::uint32_t total = kRecordOverhead + bytes[0];
  if (digitCount < 2 * total) return "record shorter than its length field";
  if (digitCount > 2 * total) return "record longer than its length field";
  for (std::uint32_t i = 4; i < total; ++i) {
    if (!ParseHexPair(digits[2 * i], digits[2 * i + 1], bytes[i])) return "invalid hex digit";
  }

  std::uint8_t sum = 0;
  for (std::uint32_t i = 0; i < total; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
  if (sum != 0) return "checksum mismatch";

  record.Length = bytes[0];
  record.Offset = static_cast<std::uint16_t>(bytes[1] << 8 | bytes[2]);
  record.Type = bytes[3];
  record.Data = bytes.data() + 4;
  return nullptr;
}

class HexImageBuilder {
 public:
  explicit HexImageBuilder(ImageBytes& image) : image_(image) {}

  const char* Apply(const Record& record) {
    switch (record.Type) {
      case kTypeData:
        return PlaceData(record);
      case kTypeSegmentBase:
        if (record.Length != 2) return "address record length is not 2";
        segmentBase_ = 16u * (std::uint32_t{record.Data[0]} << 8 | record.Data[1]);
        return nullptr;
      case kTypeLinearWindow:
        if (record.Length != 2) return "address record length is not 2";
        window_ = std::uint32_t{record.Data[0]} << 8 | record.Data[1];
        return nullptr;
      default:
        // Start addresses (0x03, 0x05) and anything else carry no image bytes.
        return nullptr;
    }
  }

  std::uint32_t Length() const { return length_; }

 private:
  const char* PlaceData(const Record& record) {
    if (!originSet_) {
      origin_ = window_;
      originSet_ = true;
    }
    if (window_ < origin_) return "data below the first data record's address window";
    const std::uint64_t start = std::uint64_t{window_ - origin_} * 65536u + segmentBase_ +
                                record.Offset;
    const std::uint64_t end = start + record.Length;
    if (end > kImageBufferSize) return "data beyond the 260000-byte image";
    for (std::uint32_t i = 0; i < record.Length; ++i) {
      const auto at = static_cast<std::uint32_t>(start + i);
      if (written_.Test(at)) return "byte written twice";
      written_.Set(at);
      image_[at] = record.Data[i];
    }
    if (end > length_) length_ = static_cast<std::uint32_t>(end);
    return nullptr;
  }

  ImageBytes& image_;
  WrittenBytes written_;
  std::uint32_t segmentBase_ = 0;
  std::uint32_t window_ = 0;
  std::uint32_t origin_ = 0;
  bool originSet_ = false;
  std::uint32_t length_ = 0;
};

}  // namespace

ReadResult ReadIntelHex(const std::uint8_t* text, std::uint32_t count, ImageBytes& image) {
  HexImageBuilder builder(image);
  std::array<std::uint8_t, kMaxRecordBytes> bytes{};
  TextLines lines(text, count, 0, 1);
  TextLine line;
  while (lines.Next(line)) {
    if (line.Empty()) continue;
    // Checked first: CR-only line ends make the whole text one long record.
    if (line.BareCr) return ReadRefused(line.Number, kLineEndsCause);
    Record record;
    if (const char* cause = DecodeRecord(text, line, bytes, record)) {
      return ReadRefused(line.Number, cause);
    }
    if (record.Type == kTypeEndOfFile) return ReadSucceeded(builder.Length());
    if (const char* cause = builder.Apply(record)) return ReadRefused(line.Number, cause);
  }
  return ReadRefused(lines.NextNumber(), "no End Of File record");
}

}  // namespace zentrel
