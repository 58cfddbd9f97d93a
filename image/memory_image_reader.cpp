#include "image/memory_image_reader.h"

#include "image/hex_digits.h"
#include "image/memory_image_format.h"
#include "image/text_lines.h"

namespace zentrel {

ReadResult ReadMemoryImage(const std::uint8_t* text, std::uint32_t count, ImageBytes& image) {
  if (count < kMemoryImageHeaderSize) {
    return ReadRefused(LineNumberAt(text, count, count), "file shorter than the 43-byte header");
  }
  std::uint32_t length = 0;
  TextLines lines(text, count, kMemoryImageHeaderSize,
                  LineNumberAt(text, count, kMemoryImageHeaderSize));
  TextLine line;
  while (lines.Next(line)) {
    std::uint32_t at = line.Begin;
    while (at < line.End) {
      if (text[at] == kMemoryImageEndMark) return ReadSucceeded(length);
      if (at + 1 == line.End) {
        return ReadRefused(line.Number, IsHexDigit(text[at]) ? "odd number of hex digits"
                                                             : "invalid hex digit");
      }
      std::uint8_t value = 0;
      if (!ParseHexPair(text[at], text[at + 1], value)) {
        return ReadRefused(line.Number, "invalid hex digit");
      }
      if (length == kImageBufferSize) {
        return ReadRefused(line.Number, "image larger than 260000 bytes");
      }
      image[length++] = value;
      at += 2;
    }
  }
  return ReadRefused(lines.NextNumber(), "no end mark 'L'");
}

}  // namespace zentrel
