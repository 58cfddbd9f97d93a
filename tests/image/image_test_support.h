// What the image tests share: a text read up to its count, the table row of
// a text that a reader refuses with its line and cause, row names, files in
// the temporary folder written and read, and a device's strings report.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>

#include "image/image_store.h"
#include "image/read_result.h"
#include "protocol/reports.h"

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

// Writes content to a file of that name in the temporary folder; its path.
inline std::string TempFile(const std::string& name, const std::string& content) {
  const std::string path = ::testing::TempDir() + "zentrel_image_" + name;
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

// The whole content of a file; empty when there is none.
inline std::string ReadWholeText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline StringsReport MakeReport(const std::string& platform, const std::string& hwVersion,
                                const std::string& bootVersion = "BL 1.0") {
  StringsReport report{};
  std::memcpy(&report[kPlatformOffset], platform.data(),
              std::min(platform.size(), kPlatformLength));
  std::memcpy(&report[kHwVersionOffset], hwVersion.data(),
              std::min(hwVersion.size(), kHwVersionLength));
  std::memcpy(&report[kBootVersionOffset], bootVersion.data(),
              std::min(bootVersion.size(), kBootVersionLength));
  return report;
}

}  // namespace zentrel::test
