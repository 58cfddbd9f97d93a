// Loading a firmware file into the ImageStore: the part of the OpenFile
// reaction that needs no window. The front end chooses the path, shows it,
// and shows the box of a refused file.
#pragma once

#include <cstddef>
#include <string>

#include "image/image_store.h"
#include "image/read_result.h"
#include "image/whole_file_reader.h"
#include "protocol/download_accounting.h"  // PagesToSend, for the callers that show it

namespace zentrel {

inline constexpr const char* kFileErrorCaption = "File Error";

struct ImageLoad {
  bool Loaded = false;
  // A refused file: the text of its "File Error" box (error icon).
  char BoxText[160] = "";
  // What the file read found: its fault says why a "File read error" came.
  FileRead File;
};

// Takes the kind letter from the path (index length - 3: 'h' Intel HEX,
// 'm' memory image), reads the whole file into FileBuffer and builds the
// image. A refused file leaves no image loaded.
ImageLoad LoadImageFromPath(ImageStore& store, const char* path);

// The steps that every load shares (LoadImageFromPath, LoadFirmware).
// Clears the store: no image, no file.
void StartLoad(ImageStore& store);
// Keeps the file's SHA-256 (hexadecimal) in the store.
void KeepFileDigest(ImageStore& store, const std::string& hex);
// The "File Error" box of a file that the reader of format refused:
// "File format error in line N: cause" for a text, "... in the header: ..."
// for a memory image's first line, "... in program header N: ..." for an
// ELF segment, "File format error: cause" for a whole ELF or binary file;
// " (address 0x08040000)" added when the cause is about an address.
void RefusalText(FirmwareFormat format, const ReadResult& result, char* text, std::size_t size);
// Stores the reader's result: the image loaded, or its box text in load and
// no image. True when loaded.
bool FinishLoad(ImageStore& store, FirmwareFormat format, const ReadResult& result,
                ImageLoad& load);

}  // namespace zentrel
