// Every way a road can fail, as one table: the fault that reaches it and the
// end of what the user sees, status texts and boxes in order, each marked
// with whether the sequencer was Idle and the device open at that moment.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/sequencer_harness.h"

namespace zentrel {
namespace {

using enum SequencerStage;

using emulated::BootLoaderConfig;
using emulated::FaultKind;
using testing::LoadRandomImage;
using testing::PutMemoryImageHeader;
using testing::SequencerHarness;

enum class Road { Info, Download, App };

struct FailureRow {
  const char* Name;
  Road Way;
  FaultKind Fault;
  int N;  // 0: no fault
  // Changes the device or the harness before the start (nullptr: none).
  void (*Setup)(SequencerHarness&, BootLoaderConfig&);
  // The last entries of the recorded sequence; the first of them is what was
  // shown before the failure, so a failure that sets no text shows as none.
  std::vector<std::string> End;
  std::string Fields;  // PlatformField and DeviceIdField at the end, "|" between
  FailureKind Kind;     // how the engine says it ended
  SequencerStage Stage;  // and where
};

constexpr FaultKind kNone = FaultKind::FailSetFeature;
const std::string kBlank30(30, ' ');
const std::string kNoneTaken = kBlank30 + "|" + kBlank30;
const std::string kTaken = kBlank30 + "|ZENTREL BOOT";
const std::string kStringsRead = "  ZX-CORE|ZENTREL BOOT";

void OtherIds(SequencerHarness& h, BootLoaderConfig&) { h.ids.ProductId = 0x61A8; }
void ForeignImage(SequencerHarness& h, BootLoaderConfig&) {
  PutMemoryImageHeader(*h.image, "ZX-OTHER", "1.x");
}
void NewerImage(SequencerHarness& h, BootLoaderConfig&) {
  PutMemoryImageHeader(*h.image, "ZX-CORE", "2.x");
}
void SmallFlash(SequencerHarness&, BootLoaderConfig& config) {
  config.FlashSizeKiB = 4;  // the 8 KiB image does not fit
}

class RoadFailure : public ::testing::TestWithParam<FailureRow> {};

TEST_P(RoadFailure, ShowsItsTextsInOrderAndEndsIdleWithTheDeviceClosed) {
  const FailureRow& row = GetParam();
  SequencerHarness h;
  BootLoaderConfig config;
  if (row.Way == Road::Download) {
    LoadRandomImage(*h.image, 8 * 1024, 'm');
    PutMemoryImageHeader(*h.image, "ZX-CORE", "1.x");  // what the device is
  }
  if (row.Setup != nullptr) row.Setup(h, config);
  auto& device = h.bus.AddBootLoader(config);
  if (row.N > 0) device.InjectFault(row.Fault, row.N);
  if (row.Way == Road::Info) h.sequencer.StartInfo();
  if (row.Way == Road::Download) h.sequencer.StartDownload();
  if (row.Way == Road::App) h.sequencer.StartAppInfo();
  h.RunUntilIdle();

  EXPECT_EQ(h.view.SequenceEnd(row.End.size()), row.End);
  EXPECT_EQ(h.view.Field(ValueField::PlatformField) + "|" +
                h.view.Field(ValueField::DeviceIdField),
            row.Fields);
  EXPECT_FALSE(h.sequencer.RoadCompleted());
  // The outcome: the row's kind and stage, the texts last shown, and a page
  // for each progress text.
  const RoadOutcome& outcome = h.sequencer.Outcome();
  EXPECT_TRUE(outcome.Ended);
  EXPECT_EQ(outcome.Failure, row.Kind);
  EXPECT_EQ(outcome.Stage, row.Stage);
  const std::vector<std::string> statuses = h.view.Statuses();
  EXPECT_EQ(outcome.Status, statuses.empty() ? "" : statuses.back());
  const std::vector<testing::ViewEvent> boxes = h.view.Boxes();
  EXPECT_EQ(outcome.Box == nullptr ? "" : outcome.Box,
            boxes.empty() ? "" : boxes.back().Text);
  EXPECT_EQ(outcome.PagesWritten,
            std::count_if(statuses.begin(), statuses.end(), [](const std::string& text) {
              return text.rfind(" BOOTLoader, Write page ", 0) == 0;
            }));
  EXPECT_FALSE(h.device.IsOpen());
  EXPECT_EQ(h.bus.OpenHandleCount(), 0u);
  if (row.Kind == FailureKind::DoesNotFit) {  // refused before the erase
    EXPECT_EQ(device.EraseCount(), 0);
    EXPECT_EQ(device.DataReportCount(), 0u);
  }
  // What reached the flash is the image's beginning, no packet twice.
  EXPECT_EQ(device.ProtocolErrors(), 0);
  const std::size_t written = device.DataReportCount() * 32;
  EXPECT_TRUE(std::equal(device.Flash().begin() + 4096,
                         device.Flash().begin() + 4096 + written,
                         h.image->ImageBuffer.begin() + 4096));
}

const char* const kCrcOk = "open status:Device CRC OK";

INSTANTIATE_TEST_SUITE_P(
    Rows, RoadFailure,
    ::testing::Values(
        // Connect: the 500th attempt finds no matching device.
        FailureRow{"NeverReturns", Road::Info, FaultKind::NeverReturnsAfterReset, 1, nullptr,
                   {"open status:HID device reset finished",
                    "status:HID device after reset delay finished",
                    "Idle box:No HID device detect (BOOT info, error)"},
                   kNoneTaken, FailureKind::NoDevice, Connect},
        // Nothing listed: no reset text, and still the delay and the search.
        FailureRow{"NoCandidate", Road::Info, FaultKind::CannotOpen, 1, nullptr,
                   {"status:HID device after reset delay finished",
                    "Idle box:No HID device detect (BOOT info, error)"},
                   kNoneTaken, FailureKind::NoDevice, Connect},
        // Listed but without the IDs: the reset text all the same.
        FailureRow{"OtherIds", Road::Info, kNone, 0, OtherIds,
                   {"status:HID device reset finished",
                    "status:HID device after reset delay finished",
                    "Idle box:No HID device detect (BOOT info, error)"},
                   kNoneTaken, FailureKind::NoDevice, Connect},
        FailureRow{"LowerCaseProduct", Road::Info, FaultKind::LowerCaseProductString, 1,
                   nullptr,
                   {"open status:HID device reset finished",
                    "status:HID device after reset delay finished",
                    "Idle box:No HID device detect (BOOT info, error)"},
                   kNoneTaken, FailureKind::NoDevice, Connect},
        // The first set feature is the reset, the second the start of the boot.
        FailureRow{"StartBootNotSent", Road::Info, FaultKind::FailSetFeature, 2, nullptr,
                   {"open status:HID device active",
                    "open status:HID device start boot sequence fail"},
                   kTaken, FailureKind::DeviceFailed, Connect},
        FailureRow{"StatusNotFetched", Road::Info, FaultKind::FailGetFeature, 1, nullptr,
                   {"open status:HID device start boot sequence finished",
                    "open status:Device CRC comunication fail",
                    "Idle box:Boot CRC error (BOOT info, error)"},
                   kTaken, FailureKind::DeviceFailed, BootStatus},
        FailureRow{"DeviceHangs", Road::Info, FaultKind::StopAnswering, 1, nullptr,
                   {"open status:HID device start boot sequence finished",
                    "open status:Device CRC comunication fail",
                    "Idle box:Boot CRC error (BOOT info, error)"},
                   kTaken, FailureKind::DeviceFailed, BootStatus},
        FailureRow{"StatusNotOk", Road::Info, FaultKind::WrongBootStatus, 1, nullptr,
                   {"open status:HID device start boot sequence finished",
                    "open status:Device CRC Error", "Idle box:Boot CRC error (BOOT info, error)"},
                   kTaken, FailureKind::DeviceFailed, BootStatus},
        // Firmware that takes the reset but does not reset: its application
        // answers the boot loader's start with its idle status.
        FailureRow{"ResetIgnored", Road::Info, FaultKind::IgnoresReset, 1, nullptr,
                   {"open status:HID device start boot sequence finished",
                    "open status:Device CRC Error", "Idle box:Boot CRC error (BOOT info, error)"},
                   kTaken, FailureKind::DeviceFailed, BootStatus},
        FailureRow{"StringsReadFails", Road::Info, FaultKind::FailInput, 1, nullptr,
                   {kCrcOk, "open status:Device Strins comunication fail",
                    "Idle box:Boot strings read error (BOOT info, error)"},
                   kTaken, FailureKind::DeviceFailed, ReadBootStrings},
        FailureRow{"StringsNeverValid", Road::Info, FaultKind::NoValidBootStrings, 1, nullptr,
                   {kCrcOk, "open status:Device Strins comunication fail",
                    "Idle box:Boot strings read error (BOOT info, error)"},
                   kTaken, FailureKind::DeviceFailed, ReadBootStrings},
        // The compatibility check: box first, its status text after it.
        FailureRow{"PlatformMismatch", Road::Download, kNone, 0, ForeignImage,
                   {kCrcOk,
                    "Idle box:HW is uncompatible with selected SW image File (BOOT info, error)",
                    "Idle status:HW is uncompatible with SW image File"},
                   kStringsRead, FailureKind::DoesNotFit, ReadBootStrings},
        FailureRow{"VersionMismatch", Road::Download, kNone, 0, NewerImage,
                   {kCrcOk,
                    "Idle box:HW version is uncompatible with selected SW image File "
                    "(BOOT info, error)",
                    "Idle status:HW version is uncompatible with SW image File"},
                   kStringsRead, FailureKind::DoesNotFit, ReadBootStrings},
        FailureRow{"FlashTooSmall", Road::Download, kNone, 0, SmallFlash,
                   {kCrcOk,
                    "Idle box:Device Flash size is smaller than SW image (BOOT info, error)",
                    "Idle status:Device Flash size is smaller than SW image"},
                   kStringsRead, FailureKind::DoesNotFit, ReadBootStrings},
        // Set features: reset, start boot, image kind.
        FailureRow{"ImageKindNotSent", Road::Download, FaultKind::FailSetFeature, 3, nullptr,
                   {kCrcOk, "Idle box:HID device communication error (BOOT info, error)"},
                   kStringsRead, FailureKind::DeviceFailed, SendImageKind},
        // Get features: boot status, erase, then one per acknowledgement.
        FailureRow{"EraseStatusNotFetched", Road::Download, FaultKind::FailGetFeature, 2,
                   nullptr,
                   {"open status:", "open status:Device Erase comunication fail",
                    "Idle box:Boot erase error (BOOT info, error)"},
                   kStringsRead, FailureKind::DeviceFailed, AwaitErase},
        FailureRow{"EraseNeverEnds", Road::Download, FaultKind::EraseNeverEnds, 1, nullptr,
                   {"open status:", "open status:Device Erase comunication fail",
                    "Idle box:Boot erase error (BOOT info, error)"},
                   kStringsRead, FailureKind::DeviceFailed, AwaitErase},
        FailureRow{"PacketNotWritten", Road::Download, FaultKind::FailOutput, 7, nullptr,
                   {"open status: BOOTLoader, Write page 0",
                    "Idle box:Boot data write error (BOOT info, error)"},
                   kStringsRead, FailureKind::DeviceFailed, WritePacket},
        FailureRow{"AckNotFetched", Road::Download, FaultKind::FailGetFeature, 8, nullptr,
                   {"open status: BOOTLoader, Write page 0",
                    "Idle box:Boot data write Ack error (BOOT info, error)"},
                   kStringsRead, FailureKind::DeviceFailed, AwaitPacketAck},
        FailureRow{"AckNeverComes", Road::Download, FaultKind::AckNeverComes, 6, nullptr,
                   {"open status: BOOTLoader, Write page 0",
                    "Idle box:Boot data write Ack error (BOOT info, error)"},
                   kStringsRead, FailureKind::DeviceFailed, AwaitPacketAck},
        FailureRow{"VanishesMidDownload", Road::Download, FaultKind::Vanish, 6, nullptr,
                   {"open status: BOOTLoader, Write page 0",
                    "Idle box:Boot data write Ack error (BOOT info, error)"},
                   kStringsRead, FailureKind::DeviceFailed, AwaitPacketAck},
        // The application road: one attempt, and it touches no boot field.
        FailureRow{"AppNoCandidate", Road::App, FaultKind::CannotOpen, 1, nullptr,
                   {"Idle box:Application ID request fail (BOOT info, error)"}, "|", FailureKind::NoDevice, AppRequest},
        FailureRow{"AppOtherIds", Road::App, kNone, 0, OtherIds,
                   {"Idle box:Application ID request fail (BOOT info, error)"}, "|", FailureKind::NoDevice, AppRequest},
        FailureRow{"AppLowerCaseProduct", Road::App, FaultKind::LowerCaseProductString, 1,
                   nullptr, {"Idle box:Application ID request fail (BOOT info, error)"}, "|", FailureKind::DeviceFailed, AppRequest},
        FailureRow{"AppRequestNotSent", Road::App, FaultKind::FailSetFeature, 1, nullptr,
                   {"open status:HID device active",
                    "Idle box:Application ID request fail (BOOT info, error)"},
                   "|ZENTREL BOOT", FailureKind::DeviceFailed, AppRequest},
        FailureRow{"AppStringsReadFails", Road::App, FaultKind::FailInput, 1, nullptr,
                   {"open status:HID device after reset delay finished",
                    "Idle box:Application strings read error (BOOT info, error)"},
                   "|ZENTREL BOOT", FailureKind::DeviceFailed, ReadAppStrings},
        FailureRow{"AppStringsNeverValid", Road::App, FaultKind::NoValidAppStrings, 1, nullptr,
                   {"open status:HID device after reset delay finished",
                    "Idle box:Application strings read error (BOOT info, error)"},
                   "|ZENTREL BOOT", FailureKind::DeviceFailed, ReadAppStrings}),
    [](const ::testing::TestParamInfo<FailureRow>& info) { return info.param.Name; });

}  // namespace
}  // namespace zentrel
