#include "hid/emulated/fault_kind.h"

namespace zentrel::emulated {

std::string_view FaultKindName(FaultKind kind) {
  switch (kind) {
    case FaultKind::FailSetFeature: return "fail-set-feature";
    case FaultKind::FailGetFeature: return "fail-get-feature";
    case FaultKind::FailOutput: return "fail-output";
    case FaultKind::FailInput: return "fail-input";
    case FaultKind::StopAnswering: return "stop-answering";
    case FaultKind::Vanish: return "vanish";
    case FaultKind::NoValidBootStrings: return "no-valid-boot-strings";
    case FaultKind::NoValidAppStrings: return "no-valid-app-strings";
    case FaultKind::LowerCaseProductString: return "lower-case-product";
    case FaultKind::WrongBootStatus: return "wrong-boot-status";
    case FaultKind::EraseNeverEnds: return "erase-never-ends";
    case FaultKind::AckNeverComes: return "ack-never-comes";
    case FaultKind::CannotOpen: return "cannot-open";
    case FaultKind::NeverReturnsAfterReset: return "never-returns";
  }
  return "";
}

std::optional<FaultKind> ParseFaultKind(std::string_view name) {
  for (FaultKind kind : kAllFaultKinds) {
    if (FaultKindName(kind) == name) return kind;
  }
  return std::nullopt;
}

}  // namespace zentrel::emulated
