// The state machine that conducts every conversation with the device. The
// front end calls Tick every 10 ms (and for every command message that is
// not one of the four buttons); a tick runs at most one stage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "hid/device_access.h"
#include "image/image_store.h"
#include "sequencer/clock.h"
#include "sequencer/device_ids.h"
#include "sequencer/download_accounting.h"
#include "sequencer/reports.h"
#include "sequencer/sequencer_view.h"

namespace zentrel {

enum SequencerStateValue : std::uint8_t {
  Idle = 0,
  ResetDevice = 1,
  ResetDelay = 2,
  Connect = 3,
  BootStatus = 4,
  StatusDelay = 5,
  ReadBootStrings = 6,
  AwaitErase = 7,
  SendImageKind = 8,
  WritePacket = 9,
  AwaitPacketAck = 10,
  AppRequest = 11,
  AppDelay = 12,
  ReadAppStrings = 13,
};

enum RunModeValue : std::uint8_t { InfoOnly = 0, Download = 1 };

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

// The text of a cleared value field.
inline constexpr const char* kClearedField = "                              ";

class BootSequencer {
 public:
  BootSequencer(SequencerView& view, DeviceAccess& device, ImageStore& image,
                const DeviceIds& ids, const Clock& clock)
      : view_(view), device_(device), image_(image), ids_(ids), clock_(clock) {}

  void Tick();
  void StartInfo();      // HW info
  void StartDownload();  // DownLoad
  void StartAppInfo();   // Application FW

  // Whether the road that ended last reached its goal (fields read, image
  // flashed); false while a road runs, after any failure and after a refused
  // start.
  bool RoadCompleted() const { return completed_; }

  std::uint8_t SequencerState = Idle;
  std::uint8_t RunMode = InfoOnly;
  std::int32_t TickCounter = 0;
  std::uint16_t FlashSizeKiB = 0;
  std::uint32_t PageCounter = 0;
  std::uint8_t PacketCounter = 0;
  std::uint16_t PageNumber = 0;

  CommandReport Command{};
  StatusReport Status{};
  DataReport Data{};
  StringsReport Strings{};

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

  // Idle, device closed, result recorded: how every road ends.
  void EndRoad(bool completed);
  // Ends the road: status text (if any), Idle, device closed, then the box.
  void Fail(const char* status, const char* box);
  // A start refused with a box; when no road runs, the result of an earlier
  // road is no longer reported.
  void RefuseStart(const char* box);
  // Enters a polled state: its attempts and its time count from here.
  void EnterPoll(std::uint8_t state);
  // Counts one more attempt of the current polled state; true when the bound
  // of its row (attempts or time) is reached.
  bool PollBoundReached();
  // The current polled state's failure: the status text and box of its row.
  void FailPoll();
  // Reads the product string of the device just opened; when it does not
  // begin with 'A'..'Z' the device is not ours yet and is closed again.
  bool KeepDeviceIfProductNamed(char (&product)[65]);
  void ShowStringField(ValueField field, std::size_t offset, std::size_t length);
  void ClearFields(std::initializer_list<ValueField> fields);

  SequencerView& view_;
  DeviceAccess& device_;
  ImageStore& image_;
  const DeviceIds& ids_;
  const Clock& clock_;
  std::uint64_t pollStartUs_ = 0;
  std::int32_t pollAttempts_ = 0;
  bool completed_ = false;
};

}  // namespace zentrel
