// The window's logic without a toolkit: the roads started from the buttons,
// the load, one tick per other command, the menu and closing, on the
// emulated bus with virtual time and a window that records what it shows.
#include "ui/loader_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/example_files.h"
#include "tests/support/flash_check.h"
#include "tests/support/tick_until.h"
#include "tests/ui/counting_platform.h"
#include "tests/ui/fake_loader_window.h"

namespace zentrel {
namespace {

using enum SequencerStage;

using testing::ExamplePath;
using testing::ViewEvent;

const std::string kCleared(30, ' ');

struct ControllerRig {
  explicit ControllerRig(const emulated::BootLoaderConfig& config = {})
      : device(bus.AddBootLoader(config)) {
    window.View.Watch(controller.Sequencer(), controller.Device());
    window.Closing = [this] { controller.Close(); };
  }

  // One timer event, then 10 ms pass.
  void Tick() {
    controller.OnTimer();
    clock.AdvanceUs(10'000);
  }
  // Ticks until the sequencer is in state; false if it never got there.
  bool TickUntil(SequencerStage state) {
    return testing::TickUntil(Sequencer(), state, [this] { Tick(); });
  }
  // OpenFile, and the dialog answers path.
  void Load(const std::string& path) {
    window.FileToChoose = path;
    controller.Press(CommandButton::OpenFile);
  }
  const BootSequencer& Sequencer() { return controller.Sequencer(); }
  const std::string& Field(ValueField field) { return window.View.Field(field); }
  std::vector<ViewEvent> Boxes() { return window.View.Boxes(); }

  FakeClock clock;
  // Every call that reaches the device side, counted.
  testing::CountingPlatform platform{clock};
  emulated::EmulatedBus& bus = platform.Bus();
  emulated::EmulatedBootLoader& device;
  testing::FakeLoaderWindow window;
  LoaderController controller{window, platform.Seam(), clock};
};

// The press starts the road (its first stage waits for the next tick) and
// clears its fields; back in Idle, the next tick gives the buttons back.
TEST(LoaderController, EachDeviceButtonRunsItsRoad) {
  struct Row {
    CommandButton Button;
    SequencerStage FirstState;
    ValueField Cleared, Filled, Untouched;
    const char* Value;
    const char* Status;
    int Resets;
  };
  const Row rows[] = {
      {CommandButton::HwInfo, ResetDevice, ValueField::BootVersionField,
       ValueField::PlatformField, ValueField::AppInfoField, "  ZX-CORE", "Device CRC OK", 1},
      {CommandButton::AppFw, AppRequest, ValueField::FwVersionField, ValueField::AppInfoField,
       ValueField::PlatformField, "  ZENTREL DEMO APP", "HID device after reset delay finished",
       0}};
  for (const Row& row : rows) {
    ControllerRig rig;
    rig.controller.Press(row.Button);
    EXPECT_EQ(rig.Sequencer().SequencerState(), row.FirstState);
    EXPECT_FALSE(rig.window.View.ButtonsEnabled);
    EXPECT_EQ(rig.Field(row.Cleared), kCleared);
    ASSERT_TRUE(rig.TickUntil(Idle));
    EXPECT_EQ(rig.Field(row.Filled), row.Value);
    EXPECT_EQ(rig.Field(ValueField::DeviceIdField), "ZENTREL BOOT");
    EXPECT_EQ(rig.Field(row.Untouched), "");
    EXPECT_EQ(rig.window.View.StatusText, row.Status);
    EXPECT_TRUE(rig.Boxes().empty());
    EXPECT_FALSE(rig.controller.Device().IsOpen());
    EXPECT_EQ(rig.device.ResetCount(), row.Resets);
    EXPECT_FALSE(rig.window.View.ButtonsEnabled);
    rig.Tick();
    EXPECT_TRUE(rig.window.View.ButtonsEnabled);
  }
}

// A cancelled dialog changes nothing; DownLoad without a file asks for one;
// a chosen path shows before the read, also when the read then fails.
TEST(LoaderController, TheFileCommandsWithoutAnImage) {
  ControllerRig rig;
  rig.window.PathText = "earlier";
  rig.controller.Press(CommandButton::OpenFile);
  EXPECT_EQ(rig.window.FileDialogs, 1);
  EXPECT_EQ(rig.window.PathText, "earlier");
  EXPECT_TRUE(rig.window.View.Events.empty());

  rig.controller.Press(CommandButton::Download);
  EXPECT_EQ(rig.window.View.Sequence(),
            std::vector<std::string>{"Idle box:File is not selected, select file please "
                                     "(File info, warning)"});
  EXPECT_EQ(rig.Field(ValueField::PlatformField), kCleared);
  EXPECT_EQ(rig.Field(ValueField::DeviceIdField), kCleared);
  EXPECT_EQ(rig.window.FileDialogs, 1);
  EXPECT_EQ(rig.platform.Calls(), 0);

  const std::string path = ExamplePath("missing.hex");
  std::string pathInsideBox;
  rig.window.WhileBoxIsUp = [&] { pathInsideBox = rig.window.PathText; };
  rig.Load(path);
  EXPECT_EQ(pathInsideBox, path);
  EXPECT_EQ(rig.window.View.Sequence(),
            (std::vector<std::string>{
                "Idle box:File is not selected, select file please (File info, warning)",
                "Idle box:File read error (File Error, error)"}));
  EXPECT_EQ(rig.controller.Image().ImageLoaded, 0);
}

TEST(LoaderController, WholeDownloadOfTheExampleImage) {
  ControllerRig rig;
  const std::string path = ExamplePath("demo.mvx");
  rig.Load(path);
  EXPECT_EQ(rig.window.PathText, path);
  EXPECT_TRUE(rig.Boxes().empty());
  const ImageStore& image = rig.controller.Image();
  ASSERT_EQ(image.ImageLoaded, 1);
  EXPECT_EQ(image.ImageKind, 'm');

  // Inside the success box the road is over, and the ticks of its modal loop
  // only bring the buttons back.
  bool enabledInsideBox = false;
  rig.window.WhileBoxIsUp = [&] {
    rig.Tick();
    enabledInsideBox = rig.window.View.ButtonsEnabled;
  };
  rig.controller.Press(CommandButton::Download);
  EXPECT_FALSE(rig.window.View.ButtonsEnabled);
  ASSERT_TRUE(rig.TickUntil(Idle));
  EXPECT_TRUE(enabledInsideBox);
  EXPECT_EQ(rig.window.View.SequenceEnd(2),
            (std::vector<std::string>{
                "Idle status:BOOT successful finished ;-) ",
                "Idle box:Boot successful finished (BOOT info, information)"}));
  EXPECT_EQ(rig.window.View.Statuses()[rig.window.View.Statuses().size() - 2],
            " BOOTLoader, Write page 6");

  // What reached the device's flash is the image from 4096, page for page.
  EXPECT_EQ(rig.device.EraseCount(), 1);
  EXPECT_EQ(rig.device.ImageKind().value_or('?'), 'm');
  EXPECT_EQ(rig.device.ProtocolErrors(), 0);
  EXPECT_EQ(rig.device.DataReportCount(), 8u * 4);
  testing::ExpectFlashed(rig.device.Flash(), testing::SentBytes(image));
  EXPECT_FALSE(rig.controller.Device().IsOpen());
}

// A button runs no Tick; any other command runs one, a menu item's after its
// action.
TEST(LoaderController, EveryCommandButTheButtonsRunsOneTick) {
  ControllerRig rig;
  rig.controller.Press(CommandButton::HwInfo);
  EXPECT_EQ(rig.Sequencer().SequencerState(), ResetDevice);
  EXPECT_EQ(rig.platform.Calls(), 0);
  rig.Tick();
  ASSERT_EQ(rig.Sequencer().SequencerState(), ResetDelay);
  const std::int32_t start = rig.Sequencer().TickCounter();

  rig.controller.OnOtherCommand();
  EXPECT_EQ(rig.Sequencer().TickCounter(), start - 1);

  std::int32_t insideBox = 0;
  rig.window.WhileBoxIsUp = [&] { insideBox = rig.Sequencer().TickCounter(); };
  rig.controller.Choose(MenuItem::About);
  EXPECT_EQ(insideBox, start - 1);
  EXPECT_EQ(rig.Sequencer().TickCounter(), start - 2);
  ASSERT_EQ(rig.Boxes().size(), 1u);
  EXPECT_EQ(rig.Boxes()[0].Text,
            "Zentrel loader\n\n   Zentrel firmware team\n\n    Ver 0.0.4 02.07.2013\n\n"
            "     Flash with care.");
  EXPECT_EQ(rig.Boxes()[0].Caption, "About ");
  EXPECT_EQ(rig.Boxes()[0].Icon, MessageIcon::Information);

  std::int32_t insideDialog = 0;
  rig.window.WhileSettingsAreUp = [&] { insideDialog = rig.Sequencer().TickCounter(); };
  rig.controller.Choose(MenuItem::Settings);
  EXPECT_EQ(rig.window.SettingsDialogs, 1);
  EXPECT_EQ(insideDialog, start - 2);
  EXPECT_EQ(rig.Sequencer().TickCounter(), start - 3);
  EXPECT_EQ(rig.window.CloseRequests, 0);
}

TEST(LoaderController, IdsChangedDuringARoadAreUsedByItsNextSearch) {
  emulated::BootLoaderConfig other;
  other.VendorId = 0x0483;
  other.ProductId = 0x5750;
  other.StartInBootLoader = true;
  ControllerRig rig(other);
  rig.controller.Press(CommandButton::HwInfo);
  rig.Tick();  // the reset finds no device with the default IDs
  ASSERT_EQ(rig.Sequencer().SequencerState(), ResetDelay);
  rig.window.WhileSettingsAreUp = [&] {
    rig.controller.Ids().VendorId = 0x483;
    rig.controller.Ids().ProductId = 0x5750;
  };
  rig.controller.Choose(MenuItem::Settings);
  ASSERT_TRUE(rig.TickUntil(Idle));
  EXPECT_TRUE(rig.Boxes().empty());
  EXPECT_EQ(rig.Field(ValueField::PlatformField), "  ZX-CORE");
  EXPECT_EQ(rig.device.ResetCount(), 0);
}

// The window up: a 10 ms timer, and the first tick has run (it gives the
// buttons back) before any timer event.
TEST(LoaderController, OpenStartsTheTimerAndRunsTheFirstTick) {
  ControllerRig rig;
  EXPECT_EQ(rig.window.TimerStarts, 0);
  rig.controller.Open();
  EXPECT_EQ(rig.window.TimerStarts, 1);
  EXPECT_EQ(rig.window.TimerPeriodMs, 10u);
  ASSERT_EQ(rig.window.View.Events.size(), 1u);
  EXPECT_EQ(rig.window.View.Events[0].What, ViewEvent::Buttons);
  EXPECT_TRUE(rig.window.View.Events[0].Enabled);
  rig.controller.Close();
  EXPECT_EQ(rig.window.TimerPeriodMs, 0u);
  EXPECT_EQ(rig.window.TimerStops, 1);
}

TEST(LoaderController, ClosingInIdleTouchesNoDevice) {
  ControllerRig rig;
  // A device held open while the sequencer is Idle shows whether the close
  // closes it: it must not.
  DeviceAccess& access = rig.controller.Device();
  ASSERT_EQ(access.OpenDeviceByIds(0x1D50, 0x61A7, access.RefreshDeviceList()), 1);
  const int calls = rig.platform.Calls();
  rig.controller.Close();
  EXPECT_TRUE(access.IsOpen());
  EXPECT_EQ(rig.platform.Calls(), calls);
  EXPECT_FALSE(rig.Sequencer().Outcome().Ended);
  // Nothing runs any more: not even the tick that enables the buttons.
  rig.Tick();
  rig.controller.OnOtherCommand();
  EXPECT_TRUE(rig.window.View.Events.empty());
}

// Konec in each stage that the two device roads pass through: the window
// closes, and its close reaches the controller.
struct CloseCase {
  bool Download;  // the download road, else the application road
  SequencerStage State;
};

class KonecInAStage : public ::testing::TestWithParam<CloseCase> {};

TEST_P(KonecInAStage, StopsTheRoadAndNothingRunsAfter) {
  ControllerRig rig;
  if (GetParam().Download) {
    rig.Load(ExamplePath("demo.mvx"));
    rig.controller.Press(CommandButton::Download);
  } else {
    rig.controller.Press(CommandButton::AppFw);
  }
  const SequencerStage state = GetParam().State;
  ASSERT_TRUE(rig.TickUntil(state));
  const bool wasOpen = rig.controller.Device().IsOpen();
  const int calls = rig.platform.Calls();
  const std::size_t packets = rig.device.DataReportCount();
  const std::size_t shown = rig.window.View.Events.size();
  // Close, then stop the timer: the road is stopped and the device closed
  // by the time the timer stops.
  rig.window.TimerPeriodMs = 10;
  bool stoppedFirst = false;
  rig.window.TimerStopping = [&] {
    stoppedFirst = rig.controller.Closed() && !rig.controller.Device().IsOpen() &&
                   rig.Sequencer().Outcome().Ended;
  };

  rig.controller.Choose(MenuItem::Exit);
  EXPECT_TRUE(stoppedFirst);
  EXPECT_EQ(rig.window.TimerStops, 1);
  EXPECT_EQ(rig.window.TimerPeriodMs, 0u);
  EXPECT_EQ(rig.window.CloseRequests, 1);
  EXPECT_TRUE(rig.controller.Closed());
  EXPECT_FALSE(rig.controller.Device().IsOpen());
  EXPECT_EQ(rig.bus.OpenHandleCount(), 0u);
  // The close of an open device was the only call, the menu's own tick ran
  // nothing; the road ended stopped in its stage, and showed nothing.
  EXPECT_EQ(rig.platform.Calls(), calls + (wasOpen ? 1 : 0));
  const RoadOutcome& outcome = rig.Sequencer().Outcome();
  EXPECT_TRUE(outcome.Ended);
  EXPECT_EQ(outcome.Failure, FailureKind::Stopped);
  EXPECT_EQ(outcome.Stage, state);
  EXPECT_EQ(rig.Sequencer().SequencerState(), Idle);

  // Whatever still calls in, nothing reaches the device or the window.
  for (int i = 0; i < 3; ++i) rig.Tick();
  rig.controller.OnOtherCommand();
  rig.controller.Choose(MenuItem::About);
  rig.controller.Press(CommandButton::HwInfo);
  EXPECT_EQ(rig.platform.Calls(), calls + (wasOpen ? 1 : 0));
  EXPECT_EQ(rig.device.DataReportCount(), packets);
  EXPECT_EQ(rig.window.View.Events.size(), shown);
}

INSTANTIATE_TEST_SUITE_P(
    Stages, KonecInAStage,
    ::testing::Values(CloseCase{true, ResetDevice}, CloseCase{true, ResetDelay},
                      CloseCase{true, Connect}, CloseCase{true, BootStatus},
                      CloseCase{true, StatusDelay}, CloseCase{true, ReadBootStrings},
                      CloseCase{true, SendImageKind}, CloseCase{true, AwaitErase},
                      CloseCase{true, WritePacket}, CloseCase{true, AwaitPacketAck},
                      CloseCase{false, AppRequest}, CloseCase{false, AppDelay},
                      CloseCase{false, ReadAppStrings}));

}  // namespace
}  // namespace zentrel
