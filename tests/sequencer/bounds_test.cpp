// Every bound of a waiting stage, at the bound and just past it, counted in
// 10 ms ticks: 500 search attempts, 5 s for strings, 30 s for an erase, 2 s
// for an acknowledgement, and the 31 and 19 steps of the delays.
#include <gtest/gtest.h>

#include "tests/support/sequencer_harness.h"

namespace zentrel {
namespace {

using enum SequencerStage;

using emulated::BootLoaderConfig;
using emulated::FaultKind;
using testing::LoadRandomImage;
using testing::SequencerHarness;

enum class Road { Info, Download, App };

struct BoundRow {
  const char* Name;
  Road Way;
  void (*Configure)(BootLoaderConfig&);
  FaultKind Fault;
  bool Inject;
  int ClearFaultAfter;  // ticks in State after which the fault is gone; 0: never
  SequencerStage State;
  int Ticks;  // ticks that found the sequencer in State
  bool Completes;
};

class Bound : public ::testing::TestWithParam<BoundRow> {};

TEST_P(Bound, HoldsForItsNumberOfTicksAndNoLonger) {
  const BoundRow& row = GetParam();
  SequencerHarness h;
  BootLoaderConfig config;
  config.InvalidStringsReads = 0;
  row.Configure(config);
  auto& device = h.bus.AddBootLoader(config);
  if (row.Inject) device.InjectFault(row.Fault);
  if (row.Way == Road::Info) h.sequencer.StartInfo();
  if (row.Way == Road::Download) {
    LoadRandomImage(*h.image, 4097);  // one page
    h.sequencer.StartDownload();
  }
  if (row.Way == Road::App) h.sequencer.StartAppInfo();
  int ticks = 0;
  while (h.sequencer.SequencerState() != Idle) {
    const bool counted = h.sequencer.SequencerState() == row.State;
    if (counted) ++ticks;
    h.TickOnce();
    if (counted && ticks == row.ClearFaultAfter) device.ClearFaults();
  }
  EXPECT_EQ(ticks, row.Ticks);
  EXPECT_EQ(h.sequencer.RoadCompleted(), row.Completes);
  EXPECT_EQ(h.view.Boxes().size(), row.Way == Road::Download || !row.Completes ? 1u : 0u);
  EXPECT_EQ(device.ProtocolErrors(), 0);
  if (row.Completes && row.Way == Road::Download) {
    EXPECT_EQ(device.DataReportCount(), 4u);
  }
}

constexpr FaultKind kLowerCase = FaultKind::LowerCaseProductString;

// The reset takes the device away at 0 ms; the 31 delay steps run on the
// ticks at 0..300 ms, so search attempt k comes at 300 + 10 k ms and the
// 500th at 5300 ms.
INSTANTIATE_TEST_SUITE_P(
    Rows, Bound,
    ::testing::Values(
        BoundRow{"BackForThe500thAttempt", Road::Info,
                 [](BootLoaderConfig& c) { c.ReenumerateUs = 5'300'000; }, kLowerCase, false, 0,
                 Connect, 500, true},
        BoundRow{"BackOneAttemptLate", Road::Info,
                 [](BootLoaderConfig& c) { c.ReenumerateUs = 5'310'000; }, kLowerCase, false, 0,
                 Connect, 500, false},
        BoundRow{"NamedForThe500thAttempt", Road::Info, [](BootLoaderConfig&) {}, kLowerCase,
                 true, 499, Connect, 500, true},
        BoundRow{"NeverNamedInTheSearch", Road::Info, [](BootLoaderConfig&) {}, kLowerCase,
                 true, 0, Connect, 500, false},
        BoundRow{"StatusDelay19Steps", Road::Info, [](BootLoaderConfig&) {}, kLowerCase, false,
                 0, StatusDelay, 19, true},
        // Strings read k comes 10 k ms after the delay: the 500th at 5 s.
        BoundRow{"BootStringsValidAt5s", Road::Info,
                 [](BootLoaderConfig& c) { c.InvalidStringsReads = 499; }, kLowerCase, false, 0,
                 ReadBootStrings, 500, true},
        BoundRow{"BootStringsInvalidAt5s", Road::Info,
                 [](BootLoaderConfig& c) { c.InvalidStringsReads = 500; }, kLowerCase, false, 0,
                 ReadBootStrings, 500, false},
        BoundRow{"EraseBusyFiveTicks", Road::Download,
                 [](BootLoaderConfig& c) { c.Latency.EraseUs = 50'000; }, kLowerCase, false, 0,
                 AwaitErase, 5, true},
        BoundRow{"EraseDoneAt30s", Road::Download,
                 [](BootLoaderConfig& c) { c.Latency.EraseUs = 30'000'000; }, kLowerCase, false,
                 0, AwaitErase, 3000, true},
        BoundRow{"EraseDoneAfter30s", Road::Download,
                 [](BootLoaderConfig& c) { c.Latency.EraseUs = 30'010'000; }, kLowerCase, false,
                 0, AwaitErase, 3000, false},
        // Three quick packets of one poll each, then the page write.
        BoundRow{"AckAt2s", Road::Download,
                 [](BootLoaderConfig& c) { c.Latency.PageWriteUs = 2'000'000; }, kLowerCase,
                 false, 0, AwaitPacketAck, 3 + 200, true},
        BoundRow{"AckAfter2s", Road::Download,
                 [](BootLoaderConfig& c) { c.Latency.PageWriteUs = 2'010'000; }, kLowerCase,
                 false, 0, AwaitPacketAck, 3 + 200, false},
        BoundRow{"AppNamedForThe500thAttempt", Road::App, [](BootLoaderConfig&) {}, kLowerCase,
                 true, 499, AppRequest, 500, true},
        BoundRow{"AppNeverNamed", Road::App, [](BootLoaderConfig&) {}, kLowerCase, true, 0,
                 AppRequest, 500, false},
        BoundRow{"AppDelay31Steps", Road::App, [](BootLoaderConfig&) {}, kLowerCase, false, 0,
                 AppDelay, 31, true},
        BoundRow{"AppStringsValidAt5s", Road::App,
                 [](BootLoaderConfig& c) { c.InvalidAppStringsReads = 499; }, kLowerCase, false,
                 0, ReadAppStrings, 500, true},
        BoundRow{"AppStringsInvalidAt5s", Road::App,
                 [](BootLoaderConfig& c) { c.InvalidAppStringsReads = 500; }, kLowerCase, false,
                 0, ReadAppStrings, 500, false}),
    [](const ::testing::TestParamInfo<BoundRow>& info) { return info.param.Name; });

}  // namespace
}  // namespace zentrel
