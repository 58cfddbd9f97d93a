// Loading a firmware file into the ImageStore: the part of the OpenFile
// reaction that needs no window. The front end chooses the path, shows it,
// and shows the box of a refused file.
#pragma once

#include "image/image_store.h"
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

}  // namespace zentrel
