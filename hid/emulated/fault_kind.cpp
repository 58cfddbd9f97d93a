#include "hid/emulated/fault_kind.h"

#include <set>
#include <utility>

namespace zentrel::emulated {

namespace {

struct FaultText {
  FaultKind Kind;
  const char* Name;
  const char* WhatNCounts;
};

constexpr FaultText kFaultTexts[] = {
    {FaultKind::FailSetFeature, "fail-set-feature", "the N-th command report fails"},
    {FaultKind::FailGetFeature, "fail-get-feature", "the N-th status read fails"},
    {FaultKind::FailOutput, "fail-output", "the N-th data report fails"},
    {FaultKind::FailInput, "fail-input", "the N-th strings read fails"},
    {FaultKind::StopAnswering, "stop-answering", "N unused: the device hangs at once"},
    {FaultKind::Vanish, "vanish", "gone after the N-th data report (0: at once)"},
    {FaultKind::NoValidBootStrings, "no-valid-boot-strings", "N unused"},
    {FaultKind::NoValidAppStrings, "no-valid-app-strings", "N unused"},
    {FaultKind::LowerCaseProductString, "lower-case-product", "N unused"},
    {FaultKind::WrongBootStatus, "wrong-boot-status", "N unused"},
    {FaultKind::EraseNeverEnds, "erase-never-ends", "N unused: the next erase"},
    {FaultKind::AckNeverComes, "ack-never-comes", "the N-th data report is never acknowledged"},
    {FaultKind::CannotOpen, "cannot-open", "N unused"},
    {FaultKind::NeverReturnsAfterReset, "never-returns", "N unused: the next reset"},
    {FaultKind::IgnoresReset, "ignores-reset", "N unused: every reset"},
};

const FaultText& TextOf(FaultKind kind) {
  for (const FaultText& t : kFaultTexts) {
    if (t.Kind == kind) return t;
  }
  return kFaultTexts[0];
}

// Faults whose N counts transfers from 1 (vanish takes 0: at once).
bool FailsTheNthTransfer(FaultKind kind) {
  return kind == FaultKind::FailSetFeature || kind == FaultKind::FailGetFeature ||
         kind == FaultKind::FailOutput || kind == FaultKind::FailInput ||
         kind == FaultKind::AckNeverComes;
}

// Up to nine digits: a number an int always holds.
bool WholeNumber(const std::string& digits) {
  return !digits.empty() && digits.size() <= 9 &&
         digits.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

std::string_view FaultKindName(FaultKind kind) { return TextOf(kind).Name; }

std::optional<FaultKind> ParseFaultKind(std::string_view name) {
  for (const FaultText& t : kFaultTexts) {
    if (name == t.Name) return t.Kind;
  }
  return std::nullopt;
}

std::string ParseFaultRequest(const std::string& option, FaultRequest& fault) {
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
  const auto kind = ParseFaultKind(name);
  if (!kind) return "unknown fault '" + name + "'";
  fault.Kind = *kind;
  fault.N = 1;
  if (colon == std::string::npos) return "";
  const std::string digits = text.substr(colon + 1);
  if (!WholeNumber(digits)) return "'" + option + "': N must be a whole number, 0 or more";
  fault.N = std::stoi(digits);
  if (fault.N == 0 && FailsTheNthTransfer(fault.Kind)) {
    return "'" + option + "': N counts from 1 for " + name;
  }
  return "";
}

std::string CheckFaultRequests(const std::vector<std::string>& texts,
                               std::vector<FaultRequest>* parsed) {
  std::set<std::pair<int, FaultKind>> seen;
  std::vector<FaultRequest> faults;
  for (const std::string& text : texts) {
    FaultRequest& fault = faults.emplace_back();
    if (std::string error = ParseFaultRequest(text, fault); !error.empty()) return error;
    if (!seen.insert({fault.Device, fault.Kind}).second) {
      return "fault '" + std::string(FaultKindName(fault.Kind)) + "' given twice; each fault once" +
             (fault.Device > 0 ? " per board" : "");
    }
  }
  if (parsed != nullptr) *parsed = std::move(faults);
  return "";
}

std::string FaultHelp() {
  std::string help;
  for (const FaultText& t : kFaultTexts) help += std::string("\n  ") + t.Name + ": " + t.WhatNCounts;
  return help;
}

}  // namespace zentrel::emulated
