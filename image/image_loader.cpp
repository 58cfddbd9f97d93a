#include "image/image_loader.h"

#include <cstdio>
#include <cstring>

#include "image/intel_hex_reader.h"
#include "image/memory_image_reader.h"

namespace zentrel {

namespace {

ImageLoad& Refuse(ImageStore& store, ImageLoad& load, const char* text) {
  store.ImageLength = 0;
  std::snprintf(load.BoxText, sizeof load.BoxText, "%s", text);
  return load;
}

}  // namespace

ImageLoad LoadImageFromPath(ImageStore& store, const char* path) {
  ImageLoad load;
  // Nothing of an earlier image may survive a load, failed or not.
  store.ImageLoaded = 0;
  store.ImageBuffer.fill(0);

  const std::size_t pathLength = std::strlen(path);
  // The first letter of a three-letter extension; case matters.
  store.ImageKind = pathLength >= 3 ? path[pathLength - 3] : 0;

  load.File = ReadWholeFile(path, store.FileBuffer);
  store.FileLength = load.File.Length;
  if (store.FileLength == 0) return Refuse(store, load, "File read error");

  ReadResult result;
  if (store.ImageKind == 'h') {
    result = ReadIntelHex(store.FileBuffer.data(), store.FileLength, store.ImageBuffer);
  } else if (store.ImageKind == 'm') {
    result = ReadMemoryImage(store.FileBuffer.data(), store.FileLength, store.ImageBuffer);
  } else {
    return Refuse(store, load, "File has unsupported suffix format");
  }

  if (!result.Ok) {
    // A refused file may have left part of itself behind.
    store.ImageBuffer.fill(0);
    char text[160];
    if (result.Line == 0) {
      std::snprintf(text, sizeof text, "File format error in the header: %s", result.Cause);
    } else {
      std::snprintf(text, sizeof text, "File format error in line %lu: %s",
                    static_cast<unsigned long>(result.Line), result.Cause);
    }
    return Refuse(store, load, text);
  }
  store.ImageLength = result.Length;
  store.ImageLoaded = 1;
  load.Loaded = true;
  return load;
}

}  // namespace zentrel
