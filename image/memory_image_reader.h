// Memory image (.mvx) text to a flash image from address 0.
#pragma once

#include <cstdint>

#include "image/image_store.h"
#include "image/read_result.h"

namespace zentrel {

// Skips the 43-byte header and reads the body's digit pairs (either case)
// into image[0], image[1], ... until the end mark 'L' where a pair would
// begin; nothing after the mark is read. Lines end at CR LF or LF; empty
// lines are passed over. Length on success: the number of image bytes.
// Refused: a text shorter than the header, a non-hex character, a line with
// an odd number of digits, a missing end mark, more than 260000 bytes.
ReadResult ReadMemoryImage(const std::uint8_t* text, std::uint32_t count, ImageBytes& image);

}  // namespace zentrel
