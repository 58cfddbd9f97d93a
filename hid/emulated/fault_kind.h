// Faults that an emulated boot loader can be told to show, so that every
// failure path of the tool can be reached without hardware.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zentrel::emulated {

enum class FaultKind {
  // The n-th transfer of that kind, counted from the injection, fails (the
  // transfer takes its time but reaches nothing). n = 1 is the next one.
  FailSetFeature,
  FailGetFeature,
  FailOutput,
  FailInput,
  // The device hangs: no input report comes and GetFeature fails; set
  // feature and output reports are still accepted but change nothing.
  StopAnswering,
  // Gone from the bus for good right after the n-th DataReport from the
  // injection (n = 0: at once); open handles stop working.
  Vanish,
  // Every StringsReport is not valid (byte 1 is 0), in that mode.
  NoValidBootStrings,
  NoValidAppStrings,
  // The product string is reported in lower case.
  LowerCaseProductString,
  // CMD_START_BOOT is answered with a status other than STATUS_OK.
  WrongBootStatus,
  // The next erase stays busy for ever.
  EraseNeverEnds,
  // The n-th DataReport from the injection is never acknowledged.
  AckNeverComes,
  // Open fails, probe opens included.
  CannotOpen,
  // After the next CMD_RESET the device never comes back.
  NeverReturnsAfterReset,
  // CMD_RESET is taken as any command is, but nothing resets: the
  // application keeps answering (firmware that expects another key).
  IgnoresReset,
};

// Lower-case names with dashes, e.g. "fail-set-feature", "never-returns";
// for command-line options.
std::string_view FaultKindName(FaultKind kind);
std::optional<FaultKind> ParseFaultKind(std::string_view name);

// A fault asked for as text, [K:]NAME[:N]: which fault, what its N counts,
// and on which board (K, counted from 1; 0: every board).
struct FaultRequest {
  FaultKind Kind = FaultKind::FailSetFeature;
  int N = 1;
  int Device = 0;
};

// Parses NAME, NAME:N or K:NAME[:N] (N a whole number, 0 or more; K a board,
// 1 or more). Empty on success; else why the text is refused.
std::string ParseFaultRequest(const std::string& text, FaultRequest& fault);

// Checks a whole list: each parses, and no fault is named twice for a board.
// Empty when all pass, parsed (if given) then holding them in their order;
// else why not.
std::string CheckFaultRequests(const std::vector<std::string>& texts,
                               std::vector<FaultRequest>* parsed = nullptr);

// Each name with what its N counts, one "\n  name: ..." line each.
std::string FaultHelp();

// All kinds, in declaration order (for help texts and tests).
inline constexpr FaultKind kAllFaultKinds[] = {
    FaultKind::FailSetFeature,       FaultKind::FailGetFeature,
    FaultKind::FailOutput,           FaultKind::FailInput,
    FaultKind::StopAnswering,        FaultKind::Vanish,
    FaultKind::NoValidBootStrings,   FaultKind::NoValidAppStrings,
    FaultKind::LowerCaseProductString, FaultKind::WrongBootStatus,
    FaultKind::EraseNeverEnds,       FaultKind::AckNeverComes,
    FaultKind::CannotOpen,           FaultKind::NeverReturnsAfterReset,
    FaultKind::IgnoresReset,
};

}  // namespace zentrel::emulated
