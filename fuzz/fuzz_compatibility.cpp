// Compatibility check and header display on an arbitrary report and file.
//
// Input layout: 64 bytes StringsReport, 2 bytes flash size in KiB (little
// endian), 1 byte image kind, 4 bytes image length (little endian), then
// the file's bytes. Shorter inputs are padded with zeros.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz_check.h"
#include "image/compatibility.h"
#include "image/memory_image_header.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#define ZENTREL_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define ZENTREL_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#endif
#endif
#ifndef ZENTREL_POISON
#define ZENTREL_POISON(address, size) ((void)(address), (void)(size))
#define ZENTREL_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace {

constexpr std::size_t kFieldsSize = zentrel::kStringsReportSize + 2 + 1 + 4;

// Aligned so that FileBuffer's bytes fall into whole 8-byte shadow granules.
alignas(64) zentrel::ImageStore store;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint8_t fields[kFieldsSize] = {};
  std::memcpy(fields, data, size < kFieldsSize ? size : kFieldsSize);
  const std::uint8_t* file = data + (size < kFieldsSize ? size : kFieldsSize);
  const std::size_t fileSize = size < kFieldsSize ? 0 : size - kFieldsSize;
  if (fileSize > zentrel::kFileBufferSize) return 0;

  // On the heap at its exact size, so that a read past it is reported.
  auto report = std::make_unique<zentrel::StringsReport>();
  std::memcpy(report->data(), fields, zentrel::kStringsReportSize);
  const std::uint8_t* rest = fields + zentrel::kStringsReportSize;
  const auto flashKiB = static_cast<std::uint16_t>(rest[0] | rest[1] << 8);
  store.ImageKind = static_cast<char>(rest[2]);
  store.ImageLength = static_cast<std::uint32_t>(rest[3]) | std::uint32_t{rest[4]} << 8 |
                      std::uint32_t{rest[5]} << 16 | std::uint32_t{rest[6]} << 24;

  // Bytes past the file are stale: reading them is a finding. Poisoned all
  // at once the first time; after that only the file's bytes change state.
  static const bool poisoned = [] {
    ZENTREL_POISON(store.FileBuffer.data(), store.FileBuffer.size());
    return true;
  }();
  (void)poisoned;
  ZENTREL_UNPOISON(store.FileBuffer.data(), fileSize);
  if (fileSize > 0) std::memcpy(store.FileBuffer.data(), file, fileSize);
  store.FileLength = static_cast<std::uint32_t>(fileSize);

  const zentrel::CompatResult result = zentrel::CheckCompatibility(*report, flashKiB, store);
  FUZZ_CHECK(result == zentrel::COMPAT_OK || result == zentrel::COMPAT_PLATFORM_MISMATCH ||
             result == zentrel::COMPAT_VERSION_MISMATCH ||
             result == zentrel::COMPAT_FLASH_TOO_SMALL);
  if (!zentrel::IsUpperAsciiLetter((*report)[zentrel::kPlatformOffset])) {
    FUZZ_CHECK(result == zentrel::COMPAT_OK);
  }

  const zentrel::HeaderField platform = zentrel::HeaderPlatformName(store);
  const zentrel::HeaderField version = zentrel::HeaderHwVersion(store);
  FUZZ_CHECK(platform.Text.size() <= 43 && version.Text.size() <= 43);
  // Whole granules: the bytes up to the next multiple of 8 were poisoned already.
  ZENTREL_POISON(store.FileBuffer.data(), (fileSize + 7) / 8 * 8);
  return 0;
}
