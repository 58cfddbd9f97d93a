// Motorola S-record text to a flash image indexed by device address.
#pragma once

#include <cstdint>

#include "image/image_placement.h"
#include "image/image_store.h"
#include "image/read_result.h"

namespace zentrel {

// Reads the records of `text` (count bytes, read in place) into `image`, a
// cleared one, laid out as ImagePlacement says; layout tells what went where,
// contiguous records joined into one range. Records: S0 (header, ignored),
// S1/S2/S3 (data at 16/24/32-bit addresses), S5/S6 (the count of data
// records before it, checked), S7/S8/S9 (the end; required, nothing after
// it is read). Every record's checksum is checked; lines end in CR LF or
// LF, blank lines are passed over, digits may be either case.
//
// Length on success: the highest end of any data record in the image.
// Refused with the line and a cause each: a CR that is not part of CR LF,
// a record not starting with 'S', a bad record type (S4, or not a digit), an
// odd number of hex digits, a non-hex character, a count field that does
// not match the record, a checksum mismatch, a record count that does not
// match, data beyond the image buffer, a byte written twice, no end record.
ReadResult ReadSRecord(const std::uint8_t* text, std::uint32_t count, ImageBytes& image,
                       ImageLayout& layout);

}  // namespace zentrel
