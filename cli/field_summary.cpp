#include "cli/field_summary.h"

#include <string>

namespace zentrel::cli {

namespace {

const char* Caption(ValueField field) {
  switch (field) {
    case ValueField::PlatformField: return "HW platform";
    case ValueField::HwVersionField: return "HW version";
    case ValueField::BootVersionField: return "BOOT SW version";
    case ValueField::AppInfoField: return "Application info";
    case ValueField::FwVersionField: return "FW version";
    case ValueField::DeviceIdField: return "HID Device ID";
  }
  return "";
}

}  // namespace

void PrintFields(const ConsoleView& view, const std::vector<ValueField>& fields,
                 std::FILE* out) {
  for (ValueField field : fields) {
    // Fields are shown indented by two blanks in the window; not here.
    const std::string& text = view.Field(field);
    std::size_t first = text.find_first_not_of(' ');
    std::fprintf(out, "%-17s %s\n", (std::string(Caption(field)) + ":").c_str(),
                 first == std::string::npos ? "" : text.c_str() + first);
  }
}

}  // namespace zentrel::cli
