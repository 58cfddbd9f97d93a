// Memory image (.mvx) text to a flash image from address 0.
#pragma once

#include <cstdint>

#include "image/image_store.h"
#include "image/read_result.h"

namespace zentrel {

// Skips the header line (41 to 43 characters, then CR LF or LF) and reads
// the body's digit pairs (either case) into image[0], image[1], ... until the
// end mark 'L' where a pair would begin; nothing after the mark is read.
// Lines end at CR LF or LF; empty lines are passed over. Length on success:
// the number of image bytes. Refused in the header (Line 0): a text that ends
// within it, a line end before offset 41 or after 43, a CR without its LF.
// Refused in the body: a non-hex character, a CR that is not part of CR LF,
// a line with an odd number of digits, a missing end mark, more than 260000
// bytes.
ReadResult ReadMemoryImage(const std::uint8_t* text, std::uint32_t count, ImageBytes& image);

}  // namespace zentrel
