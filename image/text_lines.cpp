#include "image/text_lines.h"

namespace zentrel {

bool TextLines::Next(TextLine& line) {
  if (pos_ >= count_) return false;
  std::uint32_t end = pos_;
  std::uint32_t firstCr = count_;
  while (end < count_ && text_[end] != '\n') {
    if (text_[end] == '\r' && firstCr == count_) firstCr = end;
    ++end;
  }
  std::uint32_t contentEnd = end;
  if (contentEnd > pos_ && text_[contentEnd - 1] == '\r') --contentEnd;
  line = {pos_, contentEnd, number_, firstCr < contentEnd};
  if (end < count_) {
    // Past the LF: a following line exists, even if it turns out empty.
    pos_ = end + 1;
    ++number_;
  } else {
    pos_ = count_;
  }
  return true;
}

std::uint32_t LineNumberAt(const std::uint8_t* text, std::uint32_t count, std::uint32_t at) {
  std::uint32_t number = 1;
  for (std::uint32_t i = 0; i < at && i < count; ++i) {
    if (text[i] == '\n') ++number;
  }
  return number;
}

}  // namespace zentrel
