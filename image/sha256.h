// SHA-256 of a byte range, as lower-case hexadecimal: the firmware file's
// identity in a production record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zentrel {

std::string Sha256Hex(const std::uint8_t* data, std::size_t length);

}  // namespace zentrel
