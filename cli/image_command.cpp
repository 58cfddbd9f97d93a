// zentrel-flash image FILE [--output OUT.bin]: loads a firmware file exactly
// as the desktop programs do and shows what a download would send.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/console_view.h"
#include "cli/exit_codes.h"
#include "cli/output_path.h"
#include "image/image_loader.h"
#include "image/memory_image_header.h"

namespace zentrel::cli {

namespace {

const char* KindName(char kind) {
  return kind == 'h' ? "Intel HEX" : "memory image";
}

void PrintMemoryImageHeader(const ImageStore& store, std::FILE* out) {
  const HeaderField platform = HeaderPlatformName(store);
  const HeaderField version = HeaderHwVersion(store);
  std::fprintf(out, "Platform:         %.*s\n", static_cast<int>(platform.Text.size()),
               platform.Text.data());
  // A trailing 'x' stands for any rest of the device's version.
  std::fprintf(out, "Hardware version: %.*s%s\n", static_cast<int>(version.Text.size()),
               version.Text.data(), version.Terminator == 'x' ? "x" : "");
}

bool WriteImage(const ImageStore& store, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const std::size_t written = std::fwrite(store.ImageBuffer.data(), 1, store.ImageLength, file);
  const bool closed = std::fclose(file) == 0;
  return written == store.ImageLength && closed;
}

}  // namespace

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
  if (LoadImageFromPath(*store, path.c_str(), view) == 0) return kExitFileRefused;

  std::printf("File:             %s\n", path.c_str());
  std::printf("Kind:             %s ('%c')\n", KindName(store->ImageKind), store->ImageKind);
  std::printf("Image length:     %lu bytes\n", static_cast<unsigned long>(store->ImageLength));
  std::printf("Pages to send:    %lu of 128 bytes from address %lu\n",
              static_cast<unsigned long>(PagesToSend(store->ImageLength)),
              static_cast<unsigned long>(kBootAreaSize));
  if (store->ImageKind == 'm') PrintMemoryImageHeader(*store, stdout);

  if (!outputPath.empty()) {
    if (!WriteImage(*store, outputPath)) {
      std::fprintf(stderr, "zentrel-flash: cannot write %s\n", outputPath.c_str());
      return kExitDeviceFailed;
    }
    std::printf("Wrote %lu bytes (device addresses 0 to %lu) to %s\n",
                static_cast<unsigned long>(store->ImageLength),
                static_cast<unsigned long>(store->ImageLength ? store->ImageLength - 1 : 0),
                outputPath.c_str());
  }
  std::fflush(stdout);
  return 0;
}

}  // namespace zentrel::cli
