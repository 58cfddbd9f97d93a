// SequencerView for the console. Status texts become lines on stdout (once
// each), a message box becomes the final message (stderr unless it reports
// success), fields are kept for the summary at the end. On a terminal a live
// progress line follows the road between the status lines; with --json every
// event is one JSON object on a line of stdout instead; --quiet keeps only
// the errors.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "cli/options.h"
#include "cli/run_stamp.h"
#include "hid/hid_platform.h"
#include "protocol/device_ids.h"
#include "sequencer/road_run.h"
#include "sequencer/sequencer_view.h"

namespace zentrel::cli {

enum class OutputMode {
  Lines,     // a log: status lines, then a summary
  Terminal,  // status lines and a live progress line
  Json,      // one JSON object per line
  Quiet,     // errors only
};

class ConsoleView final : public SequencerView {
 public:
  explicit ConsoleView(std::FILE* out = stdout, std::FILE* err = stderr,
                       OutputMode mode = OutputMode::Lines)
      : out_(out), err_(err), mode_(mode) {}

  void SetStatusText(const char* text) override;
  void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) override;
  void SetFieldText(ValueField, const char*) override {}  // the road keeps them
  void EnableCommandButtons(bool) override {}

  // The live line (terminal) or a progress event (JSON, when the page
  // changes); nothing otherwise.
  void Progress(const ProgressSnapshot& progress);
  // A line for the user on stdout: not in JSON or quiet mode.
  void Note(const std::string& line);
  // A line on stderr, whatever the mode.
  void Error(const std::string& line);
  // A JSON object (one line) on stdout, in JSON mode only, with the run's
  // `run` and `host` added, so that each line stands alone in a shared log.
  // Its strings keep every byte: what is not UTF-8 is written byte by byte
  // as U+0000-U+00FF.
  void Json(const nlohmann::json& object);
  // "HW platform:      ZX-CORE" lines on stdout.
  void PrintFields(const std::vector<ValueField>& fields,
                   const std::array<std::string, 6>& values);
  // Names on stderr each device with the IDs that cannot be opened, and
  // the advice that fits.
  void TellUnopenable(const std::vector<UnopenableDevice>& found, const DeviceIds& ids);
  // Ends the live line, if one is shown.
  void EndLiveLine();

  OutputMode Mode() const { return mode_; }
  const RunStamp& Stamp() const { return stamp_; }
  // The exit code once the command's output is written: code, or 1 when
  // code is 0 but stdout could not be written (said on stderr: "zentrel-flash:
  // <goal>, but writing to standard output failed") or a trace file could
  // not (said when it happened).
  int ExitCode(int code, const char* goal, bool traceFailed = false);

 private:
  void Write(std::FILE* stream, const std::string& line);

  std::FILE* out_;
  std::FILE* err_;
  OutputMode mode_;
  RunStamp stamp_ = NewRunStamp();  // one per invocation: each command has one view
  std::string status_;
  bool statusShown_ = false;
  bool liveShown_ = false;
  bool liveWriting_ = false;
  std::uint64_t liveAtUs_ = 0;
  std::uint32_t jsonPage_ = 0;
  int spinner_ = 0;
  bool outFailed_ = false;
};

// A port or serial number as the console shows it: "?" when not known.
inline std::string Shown(const std::string& text) { return text.empty() ? "?" : text; }

// JSON or quiet as asked; otherwise a live line on a terminal, lines in a log.
OutputMode ModeFor(const DeviceOptions& options);

}  // namespace zentrel::cli
