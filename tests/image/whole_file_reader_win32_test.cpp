// The Windows file read: the file is opened unshared, so one that another
// handle holds open is refused, and it is closed again on every path.
#include "image/whole_file_reader.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "image/image_loader.h"
#include "image_test_support.h"

namespace zentrel {
namespace {

using test::TempFile;

const std::string kHexText = ":0400100001020304E2\r\n:00000001FF\r\n";

// True when no handle holds the file: an unshared open of our own succeeds.
bool NobodyHolds(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

TEST(WholeFileReaderWin32, ReadsTheWholeFileAndLetsItGo) {
  const std::string path = TempFile("normal.hex", kHexText);
  auto buffer = std::make_unique<FileBytes>();
  buffer->fill(0x5A);
  EXPECT_EQ(ReadWholeFile(path.c_str(), *buffer).Length, 34u);
  EXPECT_EQ(std::memcmp(buffer->data(), ":0400100001020304E2\r\n:00000001FF\r\n", 34), 0);
  EXPECT_EQ((*buffer)[34], 0x5A);
  EXPECT_TRUE(NobodyHolds(path));
  std::remove(path.c_str());
}

TEST(WholeFileReaderWin32, FileHeldOpenElsewhereIsAReadError) {
  const std::string path = TempFile("held.hex", kHexText);
  // Another program's handle, as open as it can be: reading and writing
  // shared with everyone.
  HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  auto store = std::make_unique<ImageStore>();
  const ImageLoad held = LoadImageFromPath(*store, path.c_str());
  EXPECT_STREQ(held.BoxText, "File read error");
  EXPECT_EQ(FileReadReason(held.File), "in use by another program");
  EXPECT_EQ(store->FileLength, 0u);
  CloseHandle(other);

  // Released, the same file loads.
  EXPECT_TRUE(LoadImageFromPath(*store, path.c_str()).Loaded);
  EXPECT_EQ(store->ImageLength, 20u);
  std::remove(path.c_str());
}

TEST(WholeFileReaderWin32, RefusedFilesAreClosedToo) {
  auto buffer = std::make_unique<FileBytes>();
  const std::string empty = TempFile("empty.hex", "");
  EXPECT_EQ(ReadWholeFile(empty.c_str(), *buffer).Fault, FileReadFault::Empty);
  EXPECT_TRUE(NobodyHolds(empty));
  std::remove(empty.c_str());

  const std::string longer = TempFile("longer.hex", std::string(4194305, '\n'));
  EXPECT_EQ(ReadWholeFile(longer.c_str(), *buffer).Fault, FileReadFault::TooLarge);
  EXPECT_TRUE(NobodyHolds(longer));
  std::remove(longer.c_str());
}

// A device may never end: it is refused before a byte is read.
TEST(WholeFileReaderWin32, ADeviceIsNotAFile) {
  auto buffer = std::make_unique<FileBytes>();
  EXPECT_EQ(ReadWholeFile("NUL", *buffer).Fault, FileReadFault::NotRegularFile);
}

}  // namespace
}  // namespace zentrel
