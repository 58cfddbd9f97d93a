#include "image/memory_image_header.h"

#include "image/memory_image_format.h"

namespace zentrel {

namespace {

HeaderField ReadField(const ImageStore& store, std::uint32_t offset,
                      bool (*endsField)(std::uint8_t)) {
  // Up to the latest line end a header may have.
  std::uint32_t limit = kLastHeaderLineEndOffset + 1;
  if (store.FileLength < limit) limit = store.FileLength;
  const auto* text = reinterpret_cast<const char*>(store.FileBuffer.data());
  for (std::uint32_t at = offset; at < limit; ++at) {
    if (endsField(store.FileBuffer[at])) {
      return {std::string_view(text + offset, at - offset), store.FileBuffer[at]};
    }
  }
  return {offset < limit ? std::string_view(text + offset, limit - offset) : std::string_view{},
          0};
}

}  // namespace

HeaderField HeaderPlatformName(const ImageStore& store) {
  return ReadField(store, kHeaderPlatformOffset, EndsHeaderPlatform);
}

HeaderField HeaderHwVersion(const ImageStore& store) {
  return ReadField(store, kHeaderHwVersionOffset, EndsHeaderHwVersion);
}

}  // namespace zentrel
