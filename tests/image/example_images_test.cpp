// The example images in examples/ load as the README shows them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "image/compatibility.h"
#include "image/image_loader.h"
#include "image_test_support.h"

namespace zentrel {
namespace {

using test::MakeReport;

std::string ExamplePath(const char* name) {
  return std::string(ZENTREL_SOURCE_DIR) + "/examples/" + name;
}

std::unique_ptr<ImageStore> LoadFile(const std::string& path) {
  auto store = std::make_unique<ImageStore>();
  const ImageLoad load = LoadImageFromPath(*store, path.c_str());
  EXPECT_TRUE(load.Loaded) << path << ": " << load.BoxText;
  return store;
}

std::unique_ptr<ImageStore> LoadExample(const char* name) { return LoadFile(ExamplePath(name)); }

TEST(ExampleImages, HexAndMemoryImageCarryTheSameApplication) {
  const auto hex = LoadExample("demo.hex");
  const auto mvx = LoadExample("demo.mvx");
  EXPECT_EQ(hex->ImageKind, 'h');
  EXPECT_EQ(mvx->ImageKind, 'm');
  EXPECT_EQ(hex->ImageLength, 5096u);
  EXPECT_EQ(mvx->ImageLength, 5096u);
  EXPECT_TRUE(hex->ImageBuffer == mvx->ImageBuffer);
  // The hex file is linked at 0x08001000 and lands at 0x1000: the initial
  // stack pointer 0x20008000 opens the vector table there.
  const std::uint8_t stackTop[] = {0x00, 0x80, 0x00, 0x20};
  EXPECT_EQ(std::memcmp(&hex->ImageBuffer[0x1000], stackTop, 4), 0);
  EXPECT_EQ(PagesToSend(hex->ImageLength), 8u);
}

TEST(ExampleImages, MemoryImageNamesTheEmulatedPlatform) {
  const auto mvx = LoadExample("demo.mvx");
  EXPECT_EQ(CheckCompatibility(MakeReport("ZX-CORE", "1.2"), 256, *mvx), COMPAT_OK);
  EXPECT_EQ(CheckCompatibility(MakeReport("ZX-CORE", "2.0"), 256, *mvx),
            COMPAT_VERSION_MISMATCH);
  EXPECT_EQ(CheckCompatibility(MakeReport("ZY-CORE", "1.2"), 256, *mvx),
            COMPAT_PLATFORM_MISMATCH);
  EXPECT_EQ(CheckCompatibility(MakeReport("ZX-CORE", "1.2"), 4, *mvx),
            COMPAT_FLASH_TOO_SMALL);
}

TEST(ExampleImages, MemoryImageWithLfLineEndsLoadsTheSame) {
  // The example as an editor or `sed 's/\r$//'` leaves it: every CR gone,
  // the header line included.
  std::string text = test::ReadWholeText(ExamplePath("demo.mvx"));
  ASSERT_EQ(text.substr(41, 2), "\r\n");
  std::erase(text, '\r');
  const std::string path = test::TempFile("demo_lf.mvx", text);
  const auto lf = LoadFile(path);
  std::remove(path.c_str());
  const auto hex = LoadExample("demo.hex");
  EXPECT_EQ(lf->ImageLength, 5096u);
  EXPECT_TRUE(lf->ImageBuffer == hex->ImageBuffer);
  EXPECT_EQ(CheckCompatibility(MakeReport("ZX-CORE", "1.2"), 256, *lf), COMPAT_OK);
  EXPECT_EQ(CheckCompatibility(MakeReport("ZX-CORE", "2.0"), 256, *lf),
            COMPAT_VERSION_MISMATCH);
}

}  // namespace
}  // namespace zentrel
