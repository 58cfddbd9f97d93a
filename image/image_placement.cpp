#include "image/image_placement.h"

#include <cstring>

#include "protocol/download_accounting.h"

namespace zentrel {

ImagePlacement::ImagePlacement(ImageBytes& image, ImageLayout& layout, std::uint64_t lowest)
    : image_(image), layout_(layout) {
  layout_ = ImageLayout{};
  layout_.Origin = OriginFor(lowest);
}

const char* ImagePlacement::Claim(const PlacedRange& piece, bool join, std::uint8_t*& into) {
  if (piece.Address < layout_.Origin) return "data below the image's origin";
  // Compared as differences: an address near 2^64 must not wrap into range.
  const std::uint64_t start = piece.Address - layout_.Origin;
  if (start > kImageBufferSize || piece.Length > kImageBufferSize - start) {
    return kBeyondImageCause;
  }
  const auto first = static_cast<std::uint32_t>(start);
  const auto count = static_cast<std::uint32_t>(piece.Length);
  for (std::uint32_t at = first; at < first + count; ++at) {
    if (written_.Test(at)) return kWrittenTwiceCause;
  }
  for (std::uint32_t at = first; at < first + count; ++at) written_.Set(at);
  if (first < kBootAreaSize) {
    layout_.BootAreaBytes += (first + count < kBootAreaSize ? first + count : kBootAreaSize) - first;
  }
  if (count > 0 && first + count > length_) length_ = first + count;
  List(piece, join);
  into = image_.data() + first;
  return nullptr;
}

const char* ImagePlacement::Place(const PlacedRange& piece, bool join, const std::uint8_t* data) {
  std::uint8_t* into = nullptr;
  if (const char* cause = Claim(piece, join, into)) return cause;
  if (piece.Length > 0) std::memcpy(into, data, static_cast<std::size_t>(piece.Length));
  return nullptr;
}

void ImagePlacement::List(const PlacedRange& piece, bool join) {
  if (piece.Length == 0) return;
  const bool follows = join && lastEnd_ != 0 && lastEnd_ == piece.Address;
  lastEnd_ = piece.Address + piece.Length;
  if (follows) {
    // Part of the last range, listed or only counted.
    if (layout_.MoreRanges == 0) layout_.Ranges[layout_.RangeCount - 1].Length += piece.Length;
    return;
  }
  if (layout_.RangeCount < kListedRanges) {
    layout_.Ranges[layout_.RangeCount++] = piece;
  } else {
    ++layout_.MoreRanges;
  }
}

}  // namespace zentrel
