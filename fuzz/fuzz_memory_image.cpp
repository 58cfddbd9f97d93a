// Memory image reader on arbitrary text.
#include <cstddef>
#include <cstdint>

#include "image/memory_image_reader.h"
#include "image_invariants.h"

namespace {

zentrel::ImageBytes image;

int DigitValue(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// An image that loads is exactly what its hex pairs say: the body begins
// right after the header line's LF (its line end at offset 41, 42 or 43),
// and its characters up to the end mark, line ends left out, are the
// image's bytes as digit pairs, none passed over and none added.
void CheckImageIsItsPairs(const std::uint8_t* data, std::size_t size, std::uint32_t length) {
  std::size_t lf = 0;
  while (lf < size && data[lf] != '\n') ++lf;
  FUZZ_CHECK(lf < size);
  const std::size_t lineEnd = lf > 0 && data[lf - 1] == '\r' ? lf - 1 : lf;
  FUZZ_CHECK(lineEnd >= 41 && lineEnd <= 43);
  std::size_t pairs = 0;
  int high = -1;
  std::size_t at = lf + 1;
  for (; at < size && !(data[at] == 'L' && high < 0); ++at) {
    if (data[at] == '\n' || (data[at] == '\r' && at + 1 < size && data[at + 1] == '\n')) continue;
    const int digit = DigitValue(data[at]);
    FUZZ_CHECK(digit >= 0);
    if (high < 0) {
      high = digit;
      continue;
    }
    FUZZ_CHECK(pairs < length);
    FUZZ_CHECK(image[pairs] == static_cast<std::uint8_t>(high * 16 + digit));
    ++pairs;
    high = -1;
  }
  FUZZ_CHECK(at < size && pairs == length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The loader never hands over more than a full FileBuffer.
  if (size > zentrel::kFileBufferSize) return 0;
  image.fill(0);
  const zentrel::ReadResult result =
      zentrel::ReadMemoryImage(data, static_cast<std::uint32_t>(size), image);
  zentrel::fuzz::CheckReadResult(result, data, size, image);
  if (result.Ok) CheckImageIsItsPairs(data, size, result.Length);
  // A header line of 41 characters and its CR LF or LF is never refused.
  if (!result.Ok && result.Line == 0) {
    bool plain = size >= 42;
    for (std::size_t i = 0; plain && i < 41; ++i) plain = data[i] != '\n' && data[i] != '\r';
    const bool crlf = size >= 43 && data[41] == '\r' && data[42] == '\n';
    FUZZ_CHECK(!(plain && (crlf || data[41] == '\n')));
  }
  return 0;
}
