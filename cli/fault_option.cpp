#include "cli/fault_option.h"

#include <set>
#include <utility>

namespace zentrel::cli {

namespace {

using emulated::FaultKind;

bool WholeNumber(const std::string& digits) {
  return !digits.empty() && digits.size() <= 9 &&
         digits.find_first_not_of("0123456789") == std::string::npos;
}

const char* WhatNCounts(FaultKind kind) {
  switch (kind) {
    case FaultKind::FailSetFeature: return "the N-th command report fails";
    case FaultKind::FailGetFeature: return "the N-th status read fails";
    case FaultKind::FailOutput: return "the N-th data report fails";
    case FaultKind::FailInput: return "the N-th strings read fails";
    case FaultKind::StopAnswering: return "N unused: the device hangs at once";
    case FaultKind::Vanish: return "gone after the N-th data report (0: at once)";
    case FaultKind::NoValidBootStrings: return "N unused";
    case FaultKind::NoValidAppStrings: return "N unused";
    case FaultKind::LowerCaseProductString: return "N unused";
    case FaultKind::WrongBootStatus: return "N unused";
    case FaultKind::EraseNeverEnds: return "N unused: the next erase";
    case FaultKind::AckNeverComes: return "the N-th data report is never acknowledged";
    case FaultKind::CannotOpen: return "N unused";
    case FaultKind::NeverReturnsAfterReset: return "N unused: the next reset";
  }
  return "";
}

}  // namespace

std::string ParseFaultOption(const std::string& option, FaultRequest& fault) {
  std::string text = option;
  fault.Device = 0;
  // A leading board number: fault names never start with a digit.
  if (!text.empty() && text[0] >= '0' && text[0] <= '9') {
    const auto colon = text.find(':');
    const std::string digits = text.substr(0, colon);
    if (colon == std::string::npos || !WholeNumber(digits) || std::stoi(digits) == 0) {
      return "'" + option + "': the board is a whole number, 1 or more, before a ':'";
    }
    fault.Device = std::stoi(digits);
    text = text.substr(colon + 1);
  }
  const auto colon = text.find(':');
  const std::string name = text.substr(0, colon);
  auto kind = emulated::ParseFaultKind(name);
  if (!kind) return "unknown fault '" + name + "'";
  fault.Kind = *kind;
  fault.N = 1;
  if (colon == std::string::npos) return "";
  const std::string digits = text.substr(colon + 1);
  if (!WholeNumber(digits)) {
    return "'" + option + "': N must be a whole number, 0 or more";
  }
  fault.N = std::stoi(digits);
  return "";
}

std::string CheckFaultOptions(const std::vector<std::string>& options) {
  std::set<std::pair<int, FaultKind>> seen;
  for (const std::string& option : options) {
    FaultRequest fault{FaultKind::FailSetFeature, 1};
    std::string error = ParseFaultOption(option, fault);
    if (!error.empty()) return error;
    if (!seen.insert({fault.Device, fault.Kind}).second) {
      return "fault '" + std::string(emulated::FaultKindName(fault.Kind)) +
             "' given twice; each fault once" + (fault.Device > 0 ? " per board" : "");
    }
  }
  return "";
}

std::string FaultHelp() {
  std::string help;
  for (FaultKind kind : emulated::kAllFaultKinds) {
    help += "\n  ";
    help += emulated::FaultKindName(kind);
    help += ": ";
    help += WhatNCounts(kind);
  }
  return help;
}

}  // namespace zentrel::cli
