#include "image/image_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "hex_text_builder.h"
#include "image_test_support.h"

namespace zentrel {
namespace {

using test::Data;
using test::EndOfFile;
using test::Lines;
using test::SegmentBase;

const std::string kHeader = "ZENTREL IMAGE  ZX-CORE           1.x     \r\n";
const std::string kHexText = Lines({Data(0x1000, {1, 2, 3}), EndOfFile()});
const std::string kMvxText = kHeader + "0A0B0C\r\nL\r\n";

// Loads content from a file of that name, which is gone again afterwards.
ImageLoad LoadText(ImageStore& store, const std::string& name, const std::string& content) {
  const std::string path = test::TempFile(name, content);
  const ImageLoad load = LoadImageFromPath(store, path.c_str());
  std::remove(path.c_str());
  return load;
}

bool AllZero(const ImageBytes& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

struct LoadCase {
  const char* Name;
  std::string FileName;
  std::string Content;
  const char* Box;  // nullptr: loads
  char Kind;
  std::uint32_t ImageLength;
  std::string Reason = "";  // why the file could not be read
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.Name; }

std::vector<LoadCase> Cases() {
  return {
      {"IntelHex", "app.hex", kHexText, nullptr, 'h', 0x1003},
      {"MemoryImage", "app.mvx", kMvxText, nullptr, 'm', 3},
      {"OnlyTheLetterCountsHex", "notes.htm", kHexText, nullptr, 'h', 0x1003},
      {"OnlyTheLetterCountsMvx", "dump.mxy", kMvxText, nullptr, 'm', 3},
      {"EmptyFile", "empty.hex", "", "File read error", 'h', 0, "empty"},
      {"MemoryImageLfHeader", "lf.mvx",
       "ZENTREL IMAGE  ZX-CORE           1.x     \n0A0B0C\nL\n", nullptr, 'm', 3},
      {"LongerThanTheBuffer", "big.hex", kHexText + std::string(4194305 - kHexText.size(), '\n'),
       "File read error", 'h', 0, "larger than 4194304 bytes"},
      {"UpperCaseSuffix", "APP.HEX", kHexText, "File has unsupported suffix format", 'H', 0},
      {"TwoLetterSuffix", "app.hx", kHexText, "File has unsupported suffix format", '.', 0},
      {"HexFormatError", "bad.hex", Lines({Data(0, {1}), ":0100000001FF", EndOfFile()}),
       "File format error in line 2: checksum mismatch", 'h', 0},
      {"MvxFormatError", "bad.mvx", kHeader + "0102\r\n030\r\nL",
       "File format error in line 3: odd number of hex digits", 'm', 0},
      {"MvxHeaderError", "cr.mvx", kHeader.substr(0, 42) + "0A0B0C\rL\r",
       "File format error in the header: line ends must be CR LF or LF", 'm', 0},
      {"HexCrOnly", "cr.hex", ":0400100001020304E2\r:00000001FF\r",
       "File format error in line 1: line ends must be CR LF or LF", 'h', 0},
  };
}

class LoadImage : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadImage, LoadsOrRefusesWithItsBox) {
  const LoadCase& c = GetParam();
  auto store = std::make_unique<ImageStore>();
  const ImageLoad load = LoadText(*store, c.FileName, c.Content);

  EXPECT_EQ(store->ImageKind, c.Kind);
  EXPECT_EQ(store->ImageLength, c.ImageLength);
  EXPECT_EQ(FileReadReason(load.File), c.Reason);
  if (c.Box == nullptr) {
    EXPECT_TRUE(load.Loaded);
    EXPECT_EQ(store->ImageLoaded, 1);
    EXPECT_STREQ(load.BoxText, "");
    EXPECT_EQ(store->FileLength, c.Content.size());
  } else {
    EXPECT_FALSE(load.Loaded);
    EXPECT_EQ(store->ImageLoaded, 0);
    EXPECT_STREQ(load.BoxText, c.Box);
    EXPECT_TRUE(AllZero(store->ImageBuffer));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadImage, ::testing::ValuesIn(Cases()), test::kRowName);

TEST(LoadImageFromPath, WhatIsNoFileIsAReadErrorThatSaysWhy) {
  auto store = std::make_unique<ImageStore>();
  const std::pair<std::string, const char*> paths[] = {
      {testing::TempDir() + "zentrel_image_no_such_file.hex", "No such file or directory"},
      {testing::TempDir(), "Is a directory"},
  };
  for (const auto& [path, reason] : paths) {
    const ImageLoad load = LoadImageFromPath(*store, path.c_str());
    EXPECT_STREQ(load.BoxText, "File read error") << path;
    EXPECT_EQ(FileReadReason(load.File), reason) << path;
    EXPECT_EQ(store->FileLength, 0u);
  }
}

TEST(LoadImageFromPath, FullImageInOneByteRecordsFillsTheTextBuffer) {
  // The longest Intel HEX text of a full image: 260000 one-byte records,
  // a segment record every 64 KiB, then blank lines after the End Of File
  // record up to the 4194304 bytes that the text buffer holds.
  std::string text;
  for (std::uint32_t address = 0; address < 260000; ++address) {
    if (address % 0x10000 == 0) {
      text += SegmentBase(static_cast<std::uint16_t>(address >> 4)) + "\r\n";
    }
    const auto value = static_cast<std::uint8_t>(address * 7 + 3);
    text += Data(static_cast<std::uint16_t>(address), {value}) + "\r\n";
  }
  text += EndOfFile() + "\r\n";
  ASSERT_EQ(text.size(), 3900081u);
  text.resize(4194304, '\n');
  auto store = std::make_unique<ImageStore>();
  EXPECT_TRUE(LoadText(*store, "full.hex", text).Loaded);
  EXPECT_EQ(store->FileLength, 4194304u);
  EXPECT_EQ(store->ImageLength, 260000u);
  EXPECT_EQ(store->ImageBuffer[0], 0x03);
  EXPECT_EQ(store->ImageBuffer[0x1000], 0x03);
  EXPECT_EQ(store->ImageBuffer[0x10001], 0x0A);
  EXPECT_EQ(store->ImageBuffer[259999], 0x5C);
  for (std::uint32_t address = 0; address < 260000; ++address) {
    if (store->ImageBuffer[address] != static_cast<std::uint8_t>(address * 7 + 3)) {
      ADD_FAILURE() << "first wrong byte at " << address;
      break;
    }
  }
}

TEST(LoadImageFromPath, FailedLoadLeavesNoImage) {
  auto store = std::make_unique<ImageStore>();
  ASSERT_TRUE(LoadText(*store, "first.hex", kHexText).Loaded);
  EXPECT_FALSE(LoadText(*store, "second.hex", Lines({Data(0, {1})})).Loaded);
  EXPECT_EQ(store->ImageLoaded, 0);
  EXPECT_EQ(store->ImageLength, 0u);
  EXPECT_TRUE(AllZero(store->ImageBuffer));
}

TEST(LoadImageFromPath, EveryLoadStartsFromZeros) {
  // A long memory image first, then a short one: nothing of the first may
  // remain, above 80000 included.
  auto store = std::make_unique<ImageStore>();
  const std::string longImage = kHeader + std::string(2 * 100000, 'F') + "\r\nL\r\n";
  ASSERT_TRUE(LoadText(*store, "long.mvx", longImage).Loaded);
  ASSERT_EQ(store->ImageLength, 100000u);
  ASSERT_TRUE(LoadText(*store, "short.hex", kHexText).Loaded);
  auto expected = std::make_unique<ImageBytes>();
  (*expected)[0x1000] = 1;
  (*expected)[0x1001] = 2;
  (*expected)[0x1002] = 3;
  EXPECT_TRUE(store->ImageBuffer == *expected);
}

}  // namespace
}  // namespace zentrel
