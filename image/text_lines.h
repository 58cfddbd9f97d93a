// Walks a text held in a buffer line by line, in place. A line ends at LF,
// at CR LF, or at the end of the text; the line's view excludes its end.
#pragma once

#include <cstdint>

namespace zentrel {

// Why a text with a bare CR is refused.
inline constexpr const char* kLineEndsCause = "line ends must be CR LF or LF";

struct TextLine {
  std::uint32_t Begin = 0;   // offset of the first character
  std::uint32_t End = 0;     // offset one past the last character
  std::uint32_t Number = 0;  // 1-based
  // A CR within the line, not the one of its CR LF end: the text uses line
  // ends other than CR LF or LF (CR alone, CR CR LF).
  bool BareCr = false;
  bool Empty() const { return Begin == End; }
  std::uint32_t Size() const { return End - Begin; }
};

class TextLines {
 public:
  // start: offset where the first line begins; number: that line's number.
  TextLines(const std::uint8_t* text, std::uint32_t count, std::uint32_t start,
            std::uint32_t number)
      : text_(text), count_(count), pos_(start < count ? start : count), number_(number) {}

  // False once the text is used up.
  bool Next(TextLine& line);

  // The number of the line the next call would return, or of the line where
  // the text ended: where a missing record or mark is reported.
  std::uint32_t NextNumber() const { return number_; }

 private:
  const std::uint8_t* text_;
  std::uint32_t count_;
  std::uint32_t pos_;
  std::uint32_t number_;
};

// The number of the line that holds offset `at` (1-based), counting LFs.
std::uint32_t LineNumberAt(const std::uint8_t* text, std::uint32_t count, std::uint32_t at);

}  // namespace zentrel
