#include "cli/command_output.h"

#include <cstdio>
#include <ctime>

#include <nlohmann/json.hpp>

#include "cli/exit_codes.h"
#include "cli/field_summary.h"
#include "cli/sha256.h"
#include "sequencer/download_accounting.h"

#ifdef _WIN32
#include <io.h>
#define ZENTREL_ISATTY _isatty
#define ZENTREL_FILENO _fileno
#else
#include <unistd.h>
#define ZENTREL_ISATTY isatty
#define ZENTREL_FILENO fileno
#endif

namespace zentrel::cli {

namespace {

const char* JsonName(ValueField field) {
  switch (field) {
    case ValueField::PlatformField: return "platform";
    case ValueField::HwVersionField: return "hw_version";
    case ValueField::BootVersionField: return "boot_version";
    case ValueField::AppInfoField: return "app_info";
    case ValueField::FwVersionField: return "fw_version";
    case ValueField::DeviceIdField: return "device_id";
  }
  return "";
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

std::string IsoTime(std::chrono::system_clock::time_point t) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &seconds);
#else
  gmtime_r(&seconds, &utc);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace

bool IsTerminal(std::FILE* stream) { return ZENTREL_ISATTY(ZENTREL_FILENO(stream)) != 0; }

OutputMode ModeFor(const OutputOptions& options) {
  if (options.Json) return OutputMode::Json;
  if (options.Quiet) return OutputMode::Quiet;
  return IsTerminal(stdout) ? OutputMode::Terminal : OutputMode::Lines;
}

int FinishDeviceCommand(ConsoleView& view, const char* command, int code,
                        const std::vector<ValueField>& fields, const ImageStore* image,
                        const std::string& path, const RoadRecord& record) {
  if (view.Mode() == OutputMode::Json) {
    nlohmann::json result = {{"event", "result"},
                             {"command", command},
                             {"exit_code", code},
                             {"start", IsoTime(record.Start)},
                             {"duration_s", record.Seconds}};
    if (view.HasBox()) result["message"] = view.LastBox().Text;
    nlohmann::json values = nlohmann::json::object();
    for (ValueField field : fields) values[JsonName(field)] = Trimmed(view.Field(field));
    result["fields"] = values;
    if (image != nullptr) {
      result["file"] = {{"path", path},
                        {"kind", std::string(1, image->ImageKind)},
                        {"image_length", image->ImageLength},
                        {"pages", PagesToSend(image->ImageLength)},
                        {"pages_written", record.Pages},
                        {"sha256", Sha256Hex(image->FileBuffer.data(), image->FileLength)}};
    }
    view.Json(result.dump());
  } else if (code == kExitOk && view.Mode() != OutputMode::Quiet) {
    view.EndLiveLine();
    PrintFields(view, fields);
  }
  if (code == kExitOk && (view.OutputFailed() || std::fflush(stdout) != 0)) {
    view.Error("zentrel-flash: the road succeeded, but writing to standard output failed");
    return kExitDeviceFailed;
  }
  return code;
}

}  // namespace zentrel::cli
