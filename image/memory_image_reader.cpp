#include "image/memory_image_reader.h"

#include "image/hex_digits.h"
#include "image/memory_image_format.h"
#include "image/text_lines.h"

namespace zentrel {

namespace {

// Where the body begins: after the header line's CR LF (43) or LF (42);
// after 43 bytes also when the header line goes on (the body then starts
// within it). Returns the cause when the header is refused.
const char* FindBodyStart(const std::uint8_t* text, std::uint32_t count,
                          std::uint32_t& bodyStart) {
  // An earlier line end would put the body's first pairs into the header.
  for (std::uint32_t at = 0; at < kHeaderLineEndOffset && at < count; ++at) {
    if (text[at] == '\n') return "line shorter than 41 characters";
  }
  if (count > kHeaderLineEndOffset && text[kHeaderLineEndOffset] == '\n') {
    bodyStart = kHeaderLineEndOffset + 1;
    return nullptr;
  }
  if (count < kMemoryImageHeaderSize) return "file too short";
  if (text[kHeaderLineEndOffset] == '\r' && text[kHeaderLineEndOffset + 1] != '\n') {
    return kLineEndsCause;
  }
  bodyStart = kMemoryImageHeaderSize;
  return nullptr;
}

}  // namespace

ReadResult ReadMemoryImage(const std::uint8_t* text, std::uint32_t count, ImageBytes& image) {
  std::uint32_t bodyStart = 0;
  if (const char* cause = FindBodyStart(text, count, bodyStart)) {
    return ReadRefusedInHeader(cause);
  }
  std::uint32_t length = 0;
  TextLines lines(text, count, bodyStart, LineNumberAt(text, count, bodyStart));
  TextLine line;
  while (lines.Next(line)) {
    std::uint32_t at = line.Begin;
    while (at < line.End) {
      if (text[at] == kMemoryImageEndMark) return ReadSucceeded(length);
      if (text[at] == '\r' || (at + 1 < line.End && text[at + 1] == '\r')) {
        return ReadRefused(line.Number, kLineEndsCause);
      }
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
