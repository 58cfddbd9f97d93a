#include "image/image_loader.h"

#include <cstdio>
#include <cstring>

#include "image/intel_hex_reader.h"
#include "image/memory_image_reader.h"
#include "image/sha256.h"

namespace zentrel {

namespace {

ImageLoad& Refuse(ImageStore& store, ImageLoad& load, const char* text) {
  store.ImageLength = 0;
  std::snprintf(load.BoxText, sizeof load.BoxText, "%s", text);
  return load;
}

}  // namespace

void StartLoad(ImageStore& store) {
  // Nothing of an earlier image may survive a load, failed or not.
  store.ImageLoaded = 0;
  store.ImageBuffer.fill(0);
  store.ImageLength = 0;
  store.FileLength = 0;
  store.Format = FirmwareFormat::None;
  store.FileSha256 = {};
}

void KeepFileDigest(ImageStore& store, const std::string& hex) {
  std::snprintf(store.FileSha256.data(), store.FileSha256.size(), "%s", hex.c_str());
}

void RefusalText(FirmwareFormat format, const ReadResult& result, char* text, std::size_t size) {
  char at[40] = "";
  if (result.HasAddress) {
    std::snprintf(at, sizeof at, " (address 0x%08llX)",
                  static_cast<unsigned long long>(result.Address));
  }
  const bool wholeFile = format == FirmwareFormat::Elf || format == FirmwareFormat::Binary;
  if (wholeFile && result.Line == 0) {
    std::snprintf(text, size, "File format error: %s%s", result.Cause, at);
  } else if (format == FirmwareFormat::Elf) {
    // Numbered from 0, as readelf -l lists them.
    std::snprintf(text, size, "File format error in program header %lu: %s%s",
                  static_cast<unsigned long>(result.Line - 1), result.Cause, at);
  } else if (result.Line == 0) {
    std::snprintf(text, size, "File format error in the header: %s", result.Cause);
  } else {
    std::snprintf(text, size, "File format error in line %lu: %s%s",
                  static_cast<unsigned long>(result.Line), result.Cause, at);
  }
}

bool FinishLoad(ImageStore& store, FirmwareFormat format, const ReadResult& result,
                ImageLoad& load) {
  if (!result.Ok) {
    // A refused file may have left part of itself behind.
    store.ImageBuffer.fill(0);
    char text[sizeof load.BoxText];
    RefusalText(format, result, text, sizeof text);
    Refuse(store, load, text);
    return false;
  }
  store.ImageLength = result.Length;
  store.ImageLoaded = 1;
  load.Loaded = true;
  return true;
}

ImageLoad LoadImageFromPath(ImageStore& store, const char* path) {
  ImageLoad load;
  StartLoad(store);

  const std::size_t pathLength = std::strlen(path);
  // The first letter of a three-letter extension; case matters.
  store.ImageKind = pathLength >= 3 ? path[pathLength - 3] : 0;

  load.File = ReadWholeFile(path, store.FileBuffer);
  store.FileLength = load.File.Length;
  if (store.FileLength == 0) return Refuse(store, load, "File read error");
  KeepFileDigest(store, Sha256Hex(store.FileBuffer.data(), store.FileLength));

  ReadResult result;
  if (store.ImageKind == 'h') {
    store.Format = FirmwareFormat::IntelHex;
    result = ReadIntelHex(store.FileBuffer.data(), store.FileLength, store.ImageBuffer);
  } else if (store.ImageKind == 'm') {
    store.Format = FirmwareFormat::MemoryImage;
    result = ReadMemoryImage(store.FileBuffer.data(), store.FileLength, store.ImageBuffer);
  } else {
    return Refuse(store, load, "File has unsupported suffix format");
  }
  FinishLoad(store, store.Format, result, load);
  return load;
}

}  // namespace zentrel
