// Loading a firmware file into the ImageStore: the part of the OpenFile
// reaction that needs no window. The front end chooses the path and shows it.
#pragma once

#include "image/image_store.h"
#include "protocol/download_accounting.h"  // PagesToSend, for the callers that show it
#include "sequencer/sequencer_view.h"

namespace zentrel {

// Takes the kind letter from the path (index length - 3: 'h' Intel HEX,
// 'm' memory image), reads the whole file into FileBuffer and builds the
// image. A refused file opens a "File Error" box through the view and leaves
// no image loaded. Returns 1 when an image is loaded, else 0.
int LoadImageFromPath(ImageStore& store, const char* path, SequencerView& view);

}  // namespace zentrel
