// zentrel-flash image FILE [--output OUT.bin]: loads a firmware file as a
// download would and shows what it would send: the format and why it was
// chosen, and for the formats that give addresses the ranges they take.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/board_record.h"
#include "cli/commands.h"
#include "cli/console_view.h"
#include "cli/exit_codes.h"
#include "image/firmware_loader.h"
#include "image/memory_image_header.h"
#include "sequencer/boot_sequencer.h"
#include "image/output_place.h"
#include "image/whole_file_writer.h"

namespace zentrel::cli {

namespace {

// Why the reader was chosen, in words: "its extension .s19".
std::string ReasonText(const FormatChosen& chosen, const std::string& path) {
  switch (chosen.Reason) {
    case FormatReason::Option: return "--format";
    case FormatReason::Magic: return "its ELF magic bytes";
    case FormatReason::Extension:
      return "its extension " + std::filesystem::path(path).extension().string();
    case FormatReason::Letter: break;
  }
  return std::string("the first letter of its extension, '") + chosen.Letter + "'";
}

// The formats that place their bytes by address.
bool GivesAddresses(FirmwareFormat format) {
  return format == FirmwareFormat::SRecord || format == FirmwareFormat::Elf ||
         format == FirmwareFormat::Binary;
}

std::string Hex(std::uint64_t value, int digits = 8) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

void PrintRanges(std::FILE* say, FirmwareFormat format, const ImageLayout& layout) {
  std::fprintf(say, "Origin:           %s is image address 0\n", Hex(layout.Origin).c_str());
  for (std::uint32_t i = 0; i < layout.RangeCount; ++i) {
    const PlacedRange& r = layout.Ranges[i];
    const std::string name = format == FirmwareFormat::Elf
                                 ? "Segment " + std::to_string(r.Segment) + ":"
                                 : "Range:";
    std::string line = Hex(r.Address) + "-" + Hex(r.Address + r.Length - 1) + ", " +
                       std::to_string(r.Length) + " bytes, at image " +
                       Hex(r.Address - layout.Origin, 4);
    if (r.RunAddress != r.Address) line += "; runs at " + Hex(r.RunAddress);
    std::fprintf(say, "%-17s %s\n", name.c_str(), line.c_str());
  }
  if (layout.MoreRanges > 0) {
    std::fprintf(say, "                  and %lu more\n",
                 static_cast<unsigned long>(layout.MoreRanges));
  }
}

nlohmann::json ImageJson(const ImageStore& store, const FirmwareLoad& loaded,
                         const std::string& path) {
  nlohmann::json file = FileJson(store, path);
  file["format_reason"] = ReasonName(loaded.Chosen.Reason);
  if (GivesAddresses(store.Format)) {
    const ImageLayout& layout = loaded.Layout;
    file["origin"] = layout.Origin;
    file["boot_area_bytes"] = layout.BootAreaBytes;
    nlohmann::json ranges = nlohmann::json::array();
    for (std::uint32_t i = 0; i < layout.RangeCount; ++i) {
      const PlacedRange& r = layout.Ranges[i];
      nlohmann::json range = {{"address", r.Address},
                              {"length", r.Length},
                              {"image_address", r.Address - layout.Origin},
                              {"run_address", r.RunAddress}};
      if (store.Format == FirmwareFormat::Elf) range["program_header"] = r.Segment;
      ranges.push_back(range);
    }
    file["ranges"] = ranges;
    file["more_ranges"] = layout.MoreRanges;
  }
  if (store.ImageKind == 'm') {
    file["platform"] = HeaderPlatformName(store).Shown();
    file["hw_version"] = HeaderHwVersion(store).Shown();
  }
  return file;
}

}  // namespace

int LoadFirmwareFile(ImageStore& image, const std::string& path, const FirmwareChoice& choice,
                     ConsoleView& view, const char* command, FirmwareLoad* loaded) {
  const auto load = std::make_unique<FirmwareLoad>(LoadFirmware(image, path.c_str(), choice));
  if (loaded != nullptr) *loaded = *load;
  const FormatChosen& chosen = load->Chosen;
  switch (load->Problem) {
    case ChoiceProblem::AddressMissing:
      view.Error("zentrel-flash: " + path + " is read as raw binary (" + ReasonText(chosen, path) +
                 "): give the flash address of its first byte with --address: 0 for a "
                 "whole-flash dump, 0x1000 for an application built to run above the boot "
                 "area");
      return kExitUsage;
    case ChoiceProblem::AddressUnused:
      view.Error("zentrel-flash: --address is only for a raw binary; " + path + " is read as " +
                 FormatTitle(chosen.Format) + " (" + ReasonText(chosen, path) + ")");
      return kExitUsage;
    case ChoiceProblem::None: break;
  }
  if (!load->Load.Loaded) {
    view.ShowMessageBox(load->Load.BoxText, kFileErrorCaption, MessageIcon::Error);
    if (load->Load.File.Fault != FileReadFault::None) {
      view.Error("zentrel-flash: " + path + ": " + FileReadReason(load->Load.File));
    }
    view.Json(RunJson(command, {{"path", path}}, kExitFileRefused, {{"failure", "file_refused"}}));
    return kExitFileRefused;
  }
  if (GivesAddresses(image.Format) && load->Layout.BootAreaBytes > 0) {
    view.Error("zentrel-flash: " + path + ": " + std::to_string(load->Layout.BootAreaBytes) +
               " bytes lie in the boot loader's area (image addresses below 4096) and are "
               "not sent");
  }
  return kExitOk;
}

int RunImageCommand(const ImageOptions& o) {
  if (!o.Output.empty()) {
    if (const std::string error = CheckOutputPath(o.Output, o.Path); !error.empty()) {
      std::fprintf(stderr, "zentrel-flash: --output: %s\n", error.c_str());
      return kExitUsage;
    }
  }
  // Over 4 MiB of fixed buffers: too much for a stack.
  auto store = std::make_unique<ImageStore>();
  auto loaded = std::make_unique<FirmwareLoad>();
  std::FILE* say = ConsoleOut(o.Output);
  ConsoleView view(say, stderr, o.Json ? OutputMode::Json : OutputMode::Lines);
  if (const int code = LoadFirmwareFile(*store, o.Path, o.Firmware, view, "image", loaded.get());
      code != kExitOk) {
    return code;
  }
  // Nothing above the boot area: a download refuses it, and so does this.
  if (PagesToSend(store->ImageLength) == 0) {
    view.ShowMessageBox(kNothingToSendText, kFileInfoCaption, MessageIcon::Warning);
    view.Json(RunJson("image", ImageJson(*store, *loaded, o.Path), kExitFileRefused,
                      {{"failure", "file_refused"}}));
    return kExitFileRefused;
  }

  if (!o.Json) {
    std::fprintf(say, "File:             %s\n", o.Path.c_str());
    std::fprintf(say, "Format:           %s (%s)\n", FormatTitle(store->Format),
                 ReasonText(loaded->Chosen, o.Path).c_str());
    std::fprintf(say, "Kind:             %s ('%c')\n",
                 store->Format == FirmwareFormat::IntelHex      ? "Intel HEX"
                 : store->Format == FirmwareFormat::MemoryImage ? "memory image"
                                                                : "flat image",
                 store->ImageKind);
    std::fprintf(say, "Image length:     %lu bytes\n",
                 static_cast<unsigned long>(store->ImageLength));
    std::fprintf(say, "Pages to send:    %lu of 128 bytes from address %lu\n",
                 static_cast<unsigned long>(PagesToSend(store->ImageLength)),
                 static_cast<unsigned long>(kBootAreaSize));
    if (GivesAddresses(store->Format)) PrintRanges(say, store->Format, loaded->Layout);
    if (store->ImageKind == 'm') {
      std::fprintf(say, "Platform:         %s\n", HeaderPlatformName(*store).Shown().c_str());
      std::fprintf(say, "Hardware version: %s\n", HeaderHwVersion(*store).Shown().c_str());
    }
  }

  if (!o.Output.empty()) {
    std::string error;
    if (!WriteOutputFile(o.Output, store->ImageBuffer.data(), store->ImageLength, error)) {
      std::fprintf(stderr, "zentrel-flash: cannot write %s: %s\n", o.Output.c_str(),
                   error.c_str());
      return kExitDeviceFailed;
    }
    view.Note("Wrote " + std::to_string(store->ImageLength) + " bytes (device addresses 0 to " +
              std::to_string(store->ImageLength ? store->ImageLength - 1 : 0) + ") to " +
              o.Output);
  }
  view.Json(RunJson("image", ImageJson(*store, *loaded, o.Path), kExitOk,
                    nlohmann::json::object()));
  return view.ExitCode(kExitOk, "the command reached its goal");
}

}  // namespace zentrel::cli
