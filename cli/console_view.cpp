#include "cli/console_view.h"

#include <nlohmann/json.hpp>

#include "cli/exit_codes.h"
#include "cli/terminal.h"
#include "hid/utf8_text.h"
#include "protocol/download_accounting.h"
#include "sequencer/failure_advice.h"

namespace zentrel::cli {

namespace {

constexpr std::uint64_t kLiveLineEveryUs = 100'000;

// Every string, keys too, as valid UTF-8 without losing a byte.
nlohmann::json Lossless(const nlohmann::json& value) {
  if (value.is_string()) return LosslessUtf8(value.get_ref<const std::string&>());
  if (value.is_array()) {
    nlohmann::json out = nlohmann::json::array();
    for (const nlohmann::json& item : value) out.push_back(Lossless(item));
    return out;
  }
  if (!value.is_object()) return value;
  nlohmann::json out = nlohmann::json::object();
  for (const auto& [key, item] : value.items()) out[LosslessUtf8(key)] = Lossless(item);
  return out;
}

}  // namespace

void ConsoleView::Write(std::FILE* stream, const std::string& line) {
  EndLiveLine();
  if (std::fputs(line.c_str(), stream) < 0 || std::fputc('\n', stream) == EOF ||
      std::fflush(stream) != 0) {
    if (stream == out_) outFailed_ = true;
  }
}

int ConsoleView::ExitCode(int code, const char* goal, bool traceFailed) {
  if (code != kExitOk) return code;
  // stdout too: a live table draws there beside the view.
  if (outFailed_ || std::ferror(out_) != 0 || std::fflush(out_) != 0 || std::fflush(stdout) != 0) {
    Error(std::string("zentrel-flash: ") + goal + ", but writing to standard output failed");
    return kExitDeviceFailed;
  }
  return traceFailed ? kExitDeviceFailed : code;
}

void ConsoleView::SetStatusText(const char* text) {
  // A poll sets the same text again on every tick; print it once. An empty
  // text clears the status line and prints nothing.
  if (statusShown_ && status_ == text) return;
  status_ = text;
  statusShown_ = true;
  if (status_.empty()) return;
  Json({{"event", "status"}, {"text", status_}});  // each writes in its mode only
  Note(status_);
}

void ConsoleView::ShowMessageBox(const char* text, const char* caption, MessageIcon icon) {
  const bool error = icon != MessageIcon::Information;
  Json({{"event", "message"}, {"text", text}, {"caption", caption}, {"error", error}});
  // A box that needs attention reaches stderr in every mode.
  const std::string line = std::string(caption) + ": " + text;
  error ? Error(line) : Note(line);
}

void ConsoleView::PrintFields(const std::vector<ValueField>& fields,
                              const std::array<std::string, 6>& values) {
  for (ValueField field : fields) {
    const auto i = static_cast<std::size_t>(field);
    char line[200];
    std::snprintf(line, sizeof line, "%-17s %s", (std::string(FieldCaption(field)) + ":").c_str(),
                  values[i].c_str());
    Note(line);
  }
}

void ConsoleView::Progress(const ProgressSnapshot& p) {
  if (mode_ == OutputMode::Json) {
    // Once per page written: the next board's road counts from 0 again.
    if (!p.Writing) jsonPage_ = 0;
    if (p.Writing && p.PagesDone != jsonPage_) {
      jsonPage_ = p.PagesDone;
      Json({{"event", "progress"},
            {"page", p.PagesDone},
            {"pages", p.Pages},
            {"elapsed_s", static_cast<double>(p.ElapsedUs) / 1e6}});
    }
    return;
  }
  if (mode_ != OutputMode::Terminal) return;
  // The first page and the last are always shown, the rest ten times a second.
  const bool turn = p.Writing != liveWriting_ || (p.Writing && p.PagesDone == p.Pages);
  liveWriting_ = p.Writing;
  if (liveShown_ && !turn && p.ElapsedUs < liveAtUs_ + kLiveLineEveryUs) return;
  liveAtUs_ = p.ElapsedUs;
  static constexpr char kSpinner[] = {'|', '/', '-', '\\'};
  char line[160];
  if (p.Writing) {
    const std::uint64_t bytes = std::uint64_t{p.PagesDone} * kPageSize;
    const double seconds = static_cast<double>(p.WritingUs) / 1e6;
    char eta[32] = "ETA ?";
    if (p.PagesDone > 0 && seconds > 0) {
      const double left = seconds * (p.Pages - p.PagesDone) / p.PagesDone;
      std::snprintf(eta, sizeof eta, "ETA %.0f s", left);
    }
    std::snprintf(line, sizeof line, "%s  page %u of %u  %llu of %llu bytes  %.1f KiB/s  %s",
                  p.Stage, static_cast<unsigned>(p.PagesDone),
                  static_cast<unsigned>(p.Pages), static_cast<unsigned long long>(bytes),
                  static_cast<unsigned long long>(std::uint64_t{p.Pages} * kPageSize),
                  KiBPerSecond(p.PagesDone, seconds), eta);
  } else {
    std::snprintf(line, sizeof line, "%s %c %.1f s", p.Stage, kSpinner[spinner_++ % 4],
                  static_cast<double>(p.ElapsedUs) / 1e6);
  }
  // Cut, never wrapped: a wrapped line could not be drawn over in place.
  const std::string shown = kClearLine + FitToWidth(line, TerminalSizeOf(out_).Columns);
  if (std::fputs(shown.c_str(), out_) < 0 || std::fflush(out_) != 0) outFailed_ = true;
  liveShown_ = true;
}

void ConsoleView::EndLiveLine() {
  if (!liveShown_) return;
  liveShown_ = false;
  if (std::fputs(kClearLine, out_) < 0 || std::fflush(out_) != 0) outFailed_ = true;
}

void ConsoleView::Note(const std::string& line) {
  if (mode_ == OutputMode::Lines || mode_ == OutputMode::Terminal) Write(out_, line);
}

void ConsoleView::Error(const std::string& line) { Write(err_, line); }

void ConsoleView::TellUnopenable(const std::vector<UnopenableDevice>& found,
                                 const DeviceIds& ids) {
  for (const UnopenableDevice& d : found) Error("zentrel-flash: " + UnopenableText(d, ids));
  if (const std::string advice = UnopenableAdvice(found); !advice.empty()) {
    Error("zentrel-flash: " + advice);
  }
}

void ConsoleView::Json(const nlohmann::json& object) {
  if (mode_ != OutputMode::Json) return;
  // Device strings and file names need not be UTF-8, and a record is never
  // lost to what the JSON library throws: at worst the line says so.
  // The run is hex digits and dashes: this line cannot fail to be written.
  std::string line = R"({"error":"a record could not be written","event":"error","run":")" +
                     stamp_.Run + "\"}";
  try {
    nlohmann::json record = object;
    record["run"] = stamp_.Run;
    record["host"] = stamp_.Host;
    line = Lossless(record).dump();
  } catch (...) {
  }
  Write(out_, line);
}

OutputMode ModeFor(const DeviceOptions& options) {
  if (options.Json) return OutputMode::Json;
  if (options.Quiet) return OutputMode::Quiet;
  return IsTerminal(stdout) ? OutputMode::Terminal : OutputMode::Lines;
}

}  // namespace zentrel::cli
