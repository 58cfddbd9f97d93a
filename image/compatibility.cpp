#include "image/compatibility.h"

#include "image/memory_image_format.h"
#include "protocol/download_accounting.h"

namespace zentrel {

namespace {

// Compares a header field, driven by the file: it matches when the field's
// terminator comes before any difference, so the device's string need only
// begin with the field's text. A field that would run past the file or the
// report without its terminator does not match.
bool HeaderFieldMatches(const ImageStore& store, std::uint32_t fileOffset,
                        bool (*endsField)(std::uint8_t), const StringsReport& report,
                        std::size_t reportOffset) {
  for (std::uint32_t i = 0;; ++i) {
    const std::uint32_t at = fileOffset + i;
    if (at >= store.FileLength || at >= store.FileBuffer.size()) return false;
    const std::uint8_t c = store.FileBuffer[at];
    if (endsField(c)) return true;
    if (reportOffset + i >= report.size()) return false;
    if (c != report[reportOffset + i]) return false;
  }
}

// The image is longer than the flash, or the pages a download sends for it
// run past the flash's end: the last page goes out whole, and one more page
// follows an image that ends on a page boundary.
bool FlashTooSmall(std::uint16_t flashSizeKiB, std::uint32_t imageLength) {
  const std::uint64_t flashBytes = std::uint64_t{flashSizeKiB} * 1024u;
  const std::uint64_t pages = PagesToSend(imageLength);
  const std::uint64_t sentEnd = pages == 0 ? 0 : kBootAreaSize + pages * kPageSize;
  return flashBytes < imageLength || flashBytes < sentEnd;
}

}  // namespace

CompatResult CheckCompatibility(const StringsReport& report, std::uint16_t flashSizeKiB,
                                const ImageStore& store) {
  if (!IsUpperAsciiLetter(report[kPlatformOffset])) return COMPAT_OK;
  if (FlashTooSmall(flashSizeKiB, store.ImageLength)) return COMPAT_FLASH_TOO_SMALL;
  if (store.ImageKind != 'm') return COMPAT_OK;
  if (!HeaderFieldMatches(store, kHeaderPlatformOffset, EndsHeaderPlatform, report,
                          kPlatformOffset)) {
    return COMPAT_PLATFORM_MISMATCH;
  }
  if (!HeaderFieldMatches(store, kHeaderHwVersionOffset, EndsHeaderHwVersion, report,
                          kHwVersionOffset)) {
    return COMPAT_VERSION_MISMATCH;
  }
  return COMPAT_OK;
}

}  // namespace zentrel
