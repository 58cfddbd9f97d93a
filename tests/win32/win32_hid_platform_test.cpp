// The Windows HID platform against the HID interfaces that the system offers
// (under Wine: its virtual mouse and keyboard), through the real SetupAPI and
// HID.dll calls. None of them is a boot loader.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "hid/device_access.h"
#include "hid/win32/win32_hid_platform.h"

namespace zentrel {
namespace {

std::vector<HidCollection> ListAll(Win32HidPlatform& platform) {
  std::vector<HidCollection> all;
  platform.Enumerate([&](const HidCollection& c) {
    all.push_back(c);
    return true;
  });
  return all;
}

class Win32HidPlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    members_ = ListAll(platform_);
    ASSERT_FALSE(members_.empty()) << "no HID interface present to test against";
  }
  Win32HidPlatform platform_;
  std::vector<HidCollection> members_;
};

// The same order each time; a visitor's false ends the walk.
TEST_F(Win32HidPlatformTest, EnumerationIsStableAndStopsWhenTheVisitorSaysSo) {
  const std::vector<HidCollection> again = ListAll(platform_);
  ASSERT_EQ(again.size(), members_.size());
  for (std::size_t i = 0; i < again.size(); ++i) EXPECT_EQ(again[i].Path, members_[i].Path);

  int visits = 0;
  platform_.Enumerate([&](const HidCollection&) {
    ++visits;
    return false;
  });
  EXPECT_EQ(visits, 1);
}

// Each listed interface: a HID path with its capabilities, the IDs that the
// path is built from, a product string that stays in its work area, and a
// location of its own that the path's case does not change.
TEST_F(Win32HidPlatformTest, EachListedInterfaceOpensAndHasALocation) {
  for (const HidCollection& c : members_) {
    SCOPED_TRACE(c.Path);
    EXPECT_EQ(c.Path.rfind("\\\\?\\hid#", 0), 0u);
    ASSERT_TRUE(c.CapsKnown);
    // A mouse, keyboard or the like: a real usage page, never page 0.
    EXPECT_NE(c.UsagePage, 0);
    EXPECT_NE(c.Usage, 0);

    HidHandle h = platform_.Open(c.Path);
    ASSERT_NE(h, kNoHidHandle);
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    ASSERT_TRUE(platform_.GetAttributes(h, vid, pid));
    // Windows builds the path from the IDs ("vid_XXXX&pid_XXXX").
    char ids[32];
    wsprintfA(ids, "vid_%04x&pid_%04x", vid, pid);
    std::string lower = c.Path;
    CharLowerA(lower.data());
    EXPECT_NE(lower.find(ids), std::string::npos) << ids;

    char16_t units[kProductStringUnits + 1];
    for (char16_t& u : units) u = 0xFFFF;
    if (platform_.GetProductString(h, units, kProductStringUnits)) {
      std::size_t length = 0;
      while (length < kProductStringUnits && units[length] != 0) ++length;
      EXPECT_LT(length, kProductStringUnits);  // terminated inside the work area
      EXPECT_EQ(units[kProductStringUnits], 0xFFFF);  // nothing written beyond it
    }
    platform_.Close(h);

    const std::string location = platform_.GetLocation(c.Path);
    EXPECT_FALSE(location.empty());
    EXPECT_NE(location, c.Path);
    // Windows compares paths without regard to case.
    std::string upper = c.Path;
    CharUpperA(upper.data());
    EXPECT_EQ(platform_.GetLocation(upper), location);
  }
}

// A mouse or keyboard has no 9-byte feature report and no 64-byte output
// report: each transfer must say so instead of pretending success. Nobody
// moves the mouse or types here, so no input report comes: each read ends (a
// read without its limit would hang the test), fails, and leaves the device
// usable.
TEST_F(Win32HidPlatformTest, TransfersTheInterfaceDoesNotHaveFail) {
  HidHandle h = platform_.Open(members_.front().Path);
  ASSERT_NE(h, kNoHidHandle);
  std::uint8_t feature[9] = {};
  std::uint8_t report[64] = {};
  EXPECT_FALSE(platform_.SetFeature(h, feature, sizeof feature));
  EXPECT_FALSE(platform_.GetFeature(h, feature, sizeof feature));
  EXPECT_FALSE(platform_.WriteOutput(h, report, sizeof report));
  for (int round = 0; round < 2; ++round) {
    EXPECT_FALSE(platform_.ReadInput(h, report, sizeof report, 50));
  }
  std::uint16_t vid = 0;
  std::uint16_t pid = 0;
  EXPECT_TRUE(platform_.GetAttributes(h, vid, pid));
  platform_.Close(h);
}

TEST_F(Win32HidPlatformTest, APathThatDoesNotExistNeitherOpensNorHasALocation) {
  const char* missing = "\\\\?\\hid#vid_0000&pid_0000#none#{4d1e55b2-f16f-11cf-88cb-001111000030}";
  EXPECT_EQ(platform_.Open(missing), kNoHidHandle);
  EXPECT_EQ(platform_.GetLocation(missing), "");
  EXPECT_EQ(platform_.GetLocation(""), "");
}

// Two threads, each with its own handle on the same interface, read at once:
// one with a short time limit, one with a limit it never reaches (24 days).
struct TimedRead {
  Win32HidPlatform* Platform;
  HidHandle Handle;
  int LimitMs;
  bool Got = true;
};

DWORD WINAPI RunTimedRead(void* param) {
  auto* read = static_cast<TimedRead*>(param);
  std::uint8_t input[64] = {};
  read->Got = read->Platform->ReadInput(read->Handle, input, sizeof input, read->LimitMs);
  return 0;
}

TEST_F(Win32HidPlatformTest, ReadsOnTwoThreadsEndEachAtItsOwnTimeLimit) {
  HidHandle shortHandle = platform_.Open(members_.front().Path);
  HidHandle longHandle = platform_.Open(members_.front().Path);
  ASSERT_NE(shortHandle, kNoHidHandle);
  ASSERT_NE(longHandle, kNoHidHandle);
  TimedRead shortRead{&platform_, shortHandle, 50};
  TimedRead longRead{&platform_, longHandle, 0x7FFFFFFF};
  HANDLE longThread = CreateThread(nullptr, 0, RunTimedRead, &longRead, 0, nullptr);
  HANDLE shortThread = CreateThread(nullptr, 0, RunTimedRead, &shortRead, 0, nullptr);
  ASSERT_NE(longThread, nullptr);
  ASSERT_NE(shortThread, nullptr);
  WaitForSingleObject(shortThread, INFINITE);
  // The short read's cancel must not end the other thread's read: nothing
  // else can end it but the cancel below.
  EXPECT_EQ(WaitForSingleObject(longThread, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  do {
    CancelSynchronousIo(longThread);
  } while (WaitForSingleObject(longThread, 10) == WAIT_TIMEOUT);
  CloseHandle(longThread);
  CloseHandle(shortThread);
  EXPECT_FALSE(shortRead.Got);
  EXPECT_FALSE(longRead.Got);
  platform_.Close(shortHandle);
  platform_.Close(longHandle);
  EXPECT_EQ(platform_.OpenHandleCount(), 0u);
}

TEST_F(Win32HidPlatformTest, DiscoveryListsNoneOfTheseAsABootLoader) {
  DeviceAccess access(platform_);
  EXPECT_EQ(access.RefreshDeviceList(), 0);
  // Even with the IDs of a present interface, nothing unlisted is opened.
  HidHandle h = platform_.Open(members_.front().Path);
  std::uint16_t vid = 0;
  std::uint16_t pid = 0;
  ASSERT_TRUE(platform_.GetAttributes(h, vid, pid));
  platform_.Close(h);
  EXPECT_EQ(access.OpenDeviceByIds(vid, pid, 0), 0);
  EXPECT_FALSE(access.IsOpen());
}

}  // namespace
}  // namespace zentrel
