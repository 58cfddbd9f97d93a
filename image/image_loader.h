// Loading a firmware file into the ImageStore: the part of the OpenFile
// reaction that needs no window. The front end chooses the path and shows it.
#pragma once

#include "image/image_store.h"
#include "sequencer/sequencer_view.h"

namespace zentrel {

// Takes the kind letter from the path (index length - 3: 'h' Intel HEX,
// 'm' memory image), reads the whole file into FileBuffer and builds the
// image. A refused file opens a "File Error" box through the view and leaves
// no image loaded. Returns 1 when an image is loaded, else 0.
int LoadImageFromPath(ImageStore& store, const char* path, SequencerView& view);

// Pages of 128 bytes that a download sends for an image of this length; 0
// when nothing lies above the boot area.
inline std::uint32_t PagesToSend(std::uint32_t imageLength) {
  return imageLength <= kBootAreaSize ? 0 : ((imageLength - kBootAreaSize) >> 7) + 1;
}

}  // namespace zentrel
