// What the image tests share: a text read up to its count, the table row of
// a text that a reader refuses with its line and cause, and row names.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "image/image_store.h"
#include "image/read_result.h"

namespace zentrel::test {

using TextReader = ReadResult (*)(const std::uint8_t*, std::uint32_t, ImageBytes&);

// The last `withheld` bytes of text stay in memory beyond the count, where a
// reader that overran it would find them.
inline ReadResult ReadText(TextReader reader, const std::string& text, ImageBytes& image,
                           std::size_t withheld = 0) {
  return reader(reinterpret_cast<const std::uint8_t*>(text.data()),
                static_cast<std::uint32_t>(text.size() - withheld), image);
}

struct RefusedCase {
  const char* Name;
  std::string Text;
  std::uint32_t Line;
  std::string Cause;
  std::size_t Withheld = 0;
};

inline void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.Name; }

inline void ExpectRefused(TextReader reader, const RefusedCase& c) {
  auto image = std::make_unique<ImageBytes>();
  const ReadResult result = ReadText(reader, c.Text, *image, c.Withheld);
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.Line, c.Line);
  ASSERT_NE(result.Cause, nullptr);
  EXPECT_EQ(std::string(result.Cause), c.Cause);
}

// Names each instance of a table-driven test after its row.
inline constexpr auto kRowName = [](const auto& info) { return std::string(info.param.Name); };

}  // namespace zentrel::test
