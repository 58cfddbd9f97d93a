// zentrel-flash image FILE [--output OUT.bin]: loads a firmware file exactly
// as the desktop programs do and shows what a download would send.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/console_view.h"
#include "cli/exit_codes.h"
#include "image/image_loader.h"
#include "image/memory_image_header.h"
#include "image/output_place.h"
#include "image/whole_file_writer.h"

namespace zentrel::cli {

bool LoadFirmwareFile(ImageStore& image, const std::string& path, ConsoleView& view) {
  const ImageLoad load = LoadImageFromPath(image, path.c_str());
  if (load.Loaded) return true;
  view.ShowMessageBox(load.BoxText, kFileErrorCaption, MessageIcon::Error);
  if (load.File.Fault != FileReadFault::None) {
    view.Error("zentrel-flash: " + path + ": " + FileReadReason(load.File));
  }
  return false;
}

int RunImageCommand(const std::string& path, const std::string& outputPath) {
  if (!outputPath.empty()) {
    if (const std::string error = CheckOutputPath(outputPath, path); !error.empty()) {
      std::fprintf(stderr, "zentrel-flash: --output: %s\n", error.c_str());
      return kExitUsage;
    }
  }
  // Over 4 MiB of fixed buffers: too much for a stack.
  auto store = std::make_unique<ImageStore>();
  ConsoleView view;
  if (!LoadFirmwareFile(*store, path, view)) return kExitFileRefused;
  // Nothing above the boot area: a download refuses it, and so does this.
  if (PagesToSend(store->ImageLength) == 0) {
    view.ShowMessageBox("File has no data to download", "File info", MessageIcon::Warning);
    return kExitFileRefused;
  }

  std::FILE* say = ConsoleOut(outputPath);
  std::fprintf(say, "File:             %s\n", path.c_str());
  std::fprintf(say, "Kind:             %s ('%c')\n",
               store->ImageKind == 'h' ? "Intel HEX" : "memory image", store->ImageKind);
  std::fprintf(say, "Image length:     %lu bytes\n",
               static_cast<unsigned long>(store->ImageLength));
  std::fprintf(say, "Pages to send:    %lu of 128 bytes from address %lu\n",
               static_cast<unsigned long>(PagesToSend(store->ImageLength)),
               static_cast<unsigned long>(kBootAreaSize));
  if (store->ImageKind == 'm') {
    std::fprintf(say, "Platform:         %s\n", HeaderPlatformName(*store).Shown().c_str());
    std::fprintf(say, "Hardware version: %s\n", HeaderHwVersion(*store).Shown().c_str());
  }

  if (!outputPath.empty()) {
    std::string error;
    if (!WriteOutputFile(outputPath, store->ImageBuffer.data(), store->ImageLength, error)) {
      std::fprintf(stderr, "zentrel-flash: cannot write %s: %s\n", outputPath.c_str(),
                   error.c_str());
      return kExitDeviceFailed;
    }
    std::fprintf(say, "Wrote %lu bytes (device addresses 0 to %lu) to %s\n",
                 static_cast<unsigned long>(store->ImageLength),
                 static_cast<unsigned long>(store->ImageLength ? store->ImageLength - 1 : 0),
                 outputPath.c_str());
  }
  return view.ExitCode(kExitOk, "the command reached its goal");
}

}  // namespace zentrel::cli
