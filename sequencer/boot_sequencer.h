// The state machine that conducts every conversation with the device. The
// front end calls Tick every 10 ms (and for every command message that is
// not one of the four buttons); a tick runs at most one stage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "hid/device_access.h"
#include "image/image_store.h"
#include "protocol/clock.h"
#include "protocol/device_ids.h"
#include "protocol/download_accounting.h"
#include "protocol/reports.h"
#include "sequencer/road_outcome.h"
#include "sequencer/sequencer_view.h"

namespace zentrel {

// What a road that reads the boot loader goes on to do.
enum class RoadMode : std::uint8_t { InfoOnly = 0, Download = 1 };

// Bounds on the polls that would otherwise wait for ever on a silent device
// (attempts for the searches, measured time for the report polls).
inline constexpr std::int32_t kConnectAttempts = 500;
inline constexpr std::int32_t kAppRequestAttempts = 500;
inline constexpr std::uint64_t kBootStringsTimeoutUs = 5'000'000;
inline constexpr std::uint64_t kEraseTimeoutUs = 30'000'000;
inline constexpr std::uint64_t kPacketAckTimeoutUs = 2'000'000;
inline constexpr std::uint64_t kAppStringsTimeoutUs = 5'000'000;

// Ticks counted by the delay stages (31 steps each from 30, 19 from 18).
inline constexpr std::int32_t kResetDelayTicks = 30;
inline constexpr std::int32_t kStatusDelayTicks = 18;

// The caption of the road's boxes.
inline constexpr const char* kBootCaption = "BOOT info";
// The box of a search that found no device, and of an image with nothing to
// send; front ends that end a run before any road say them in the same words.
inline constexpr const char* kNoDeviceText = "No HID device detect";
inline constexpr const char* kNothingToSendText = "File has no data to download";
inline constexpr const char* kFileInfoCaption = "File info";

// The text of a cleared value field.
inline constexpr const char* kClearedField = "                              ";

class BootSequencer {
 public:
  // The image is only read: several sequencers may share one store.
  BootSequencer(SequencerView& view, DeviceAccess& device, const ImageStore& image,
                const DeviceIds& ids, const Clock& clock)
      : view_(view), device_(device), image_(image), ids_(ids), clock_(clock) {}

  void Tick();
  void StartInfo();      // HW info
  void StartDownload();  // DownLoad
  void StartAppInfo();   // Application FW
  // Ends the running road at once as stopped: Idle, the device closed, no
  // text and no box; the stage and the pages reached are kept in the
  // outcome. Nothing happens when no road runs.
  void Stop();

  // Where the running road stands (or the last one ended).
  RoadProgress Progress() const;
  // How the last road ended; Ended is false while one runs.
  const RoadOutcome& Outcome() const { return outcome_; }
  // Whether the road that ended last reached its goal (fields read, image
  // flashed); false while a road runs, after any failure and after a refused
  // start.
  bool RoadCompleted() const { return outcome_.Completed(); }

  // The record's fields, for reading; only the sequencer writes them.
  SequencerStage SequencerState() const { return state_; }
  RoadMode RunMode() const { return runMode_; }
  std::int32_t TickCounter() const { return tickCounter_; }
  std::uint16_t FlashSizeKiB() const { return flashSizeKiB_; }

 private:
  void RunResetDevice();
  void RunResetDelay();
  void RunConnect();
  void RunBootStatus();
  void RunStatusDelay();
  void RunReadBootStrings();
  void RunSendImageKind();
  void RunAwaitErase();
  void RunWritePacket();
  void RunAwaitPacketAck();
  void RunAppRequest();
  void RunAppDelay();
  void RunReadAppStrings();

  // A road begins: its kind, and nothing of the last one's outcome.
  void BeginRoad(RoadKind road, SequencerStage stage);
  // Idle, device closed, outcome recorded: how every road ends.
  void EndRoad(FailureKind failure);
  // Ends the road: status text (if any), Idle, device closed, then the box.
  void Fail(FailureKind failure, const char* status, const char* box);
  // A start refused with a box; when no road runs, the result of an earlier
  // road is no longer reported.
  void RefuseStart(const char* box);
  // Enters a polled state: its attempts and its time count from here.
  void EnterPoll(SequencerStage stage);
  // Counts one more attempt of the current polled state; true when the bound
  // of its row (attempts or time) is reached.
  bool PollBoundReached();
  // The current polled state's failure: the kind, status text and box of its
  // row; a kind other than None overrides the row's.
  void FailPoll(FailureKind failure = FailureKind::None);
  // Reads the product string of the device just opened; when it does not
  // begin with 'A'..'Z' the device is not ours yet and is closed again.
  bool KeepDeviceIfProductNamed(char (&product)[65]);
  void ShowStringField(ValueField field, std::size_t offset, std::size_t length);
  void ClearFields(std::initializer_list<ValueField> fields);
  // The view's calls, kept in the outcome as they are made.
  void ShowStatus(const char* text);
  void ShowBox(const char* text, const char* caption, MessageIcon icon);

  SequencerView& view_;
  DeviceAccess& device_;
  const ImageStore& image_;
  const DeviceIds& ids_;
  const Clock& clock_;

  SequencerStage state_ = SequencerStage::Idle;
  RoadMode runMode_ = RoadMode::InfoOnly;
  std::int32_t tickCounter_ = 0;
  std::uint16_t flashSizeKiB_ = 0;
  // The download accounting.
  std::uint32_t pageCounter_ = 0;  // pages still to be completed
  std::uint8_t packetCounter_ = 0;
  std::uint16_t pageNumber_ = 0;
  std::uint32_t writeCursor_ = 0;  // offset in ImageBuffer of the next packet
  std::uint32_t pages_ = 0;        // pages of this download
  std::uint32_t pagesDone_ = 0;    // acknowledged whole

  CommandReport command_{};
  StatusReport status_{};
  DataReport data_{};
  StringsReport strings_{};

  std::uint64_t pollStartUs_ = 0;
  std::int32_t pollAttempts_ = 0;
  RoadOutcome outcome_;
};

}  // namespace zentrel
