#include "image/memory_image_reader.h"

#include "image/hex_digits.h"
#include "image/memory_image_format.h"
#include "image/text_lines.h"

namespace zentrel {

namespace {

// Where the body begins: right after the header line's CR LF or LF, whose
// first byte stands at offset 41, 42 or 43. Any other header is refused (the
// cause is returned): the body never starts inside the header's line, and no
// byte of it is passed over.
const char* FindBodyStart(const std::uint8_t* text, std::uint32_t count,
                          std::uint32_t& bodyStart) {
  // The latest line end: a CR at 43 and its LF at 44.
  const std::uint32_t scanEnd = kLastHeaderLineEndOffset + 2;
  for (std::uint32_t at = 0; at < scanEnd && at < count; ++at) {
    if (text[at] == '\r' && at + 1 < count && text[at + 1] != '\n') return kLineEndsCause;
    if (text[at] != '\n') continue;
    const std::uint32_t lineEnd = at > 0 && text[at - 1] == '\r' ? at - 1 : at;
    if (lineEnd < kHeaderLineEndOffset) return "line shorter than 41 characters";
    if (lineEnd > kLastHeaderLineEndOffset) return "line longer than 43 characters";
    bodyStart = at + 1;
    return nullptr;
  }
  return count < scanEnd ? "file too short" : "line longer than 43 characters";
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
