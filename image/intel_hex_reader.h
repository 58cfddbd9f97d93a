// Intel HEX text to a flash image indexed by device address.
#pragma once

#include <cstdint>

#include "image/image_store.h"
#include "image/read_result.h"

namespace zentrel {

// Reads the records of `text` (count bytes, read in place) into `image`,
// writing only the bytes that data records carry; the caller hands in a
// cleared image. Records: data (0x00), End Of File (0x01, required; nothing
// after it is read), extended segment address (0x02, base = value * 16) and
// extended linear address (0x04); every other type is checked and skipped.
//
// The 64 KiB window named by type 0x04 that is in force at the first data
// record is the image's origin: a record in window w lands at
// (w - origin) * 65536 + base + offset. So a file linked for any window
// reads as if linked at 0, and several windows stay apart.
//
// Length on success: the highest end address of any data record. Refused:
// a CR that is not part of CR LF, a record not starting with ':', a non-hex
// character, a length field that does not match the record, a checksum
// mismatch, a 0x02/0x04 record whose length is not 2, data below the origin
// window or reaching past the image buffer, a byte written twice, a missing
// End Of File record.
ReadResult ReadIntelHex(const std::uint8_t* text, std::uint32_t count, ImageBytes& image);

}  // namespace zentrel
