// The formats a firmware file may have, and their names.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace zentrel {

enum class FirmwareFormat : std::uint8_t { None, IntelHex, MemoryImage, SRecord, Elf, Binary };

// The short name, as --format takes it and JSON gives it: "hex", "mvx",
// "srec", "elf", "bin"; "" for None.
inline const char* FormatName(FirmwareFormat format) {
  switch (format) {
    case FirmwareFormat::IntelHex: return "hex";
    case FirmwareFormat::MemoryImage: return "mvx";
    case FirmwareFormat::SRecord: return "srec";
    case FirmwareFormat::Elf: return "elf";
    case FirmwareFormat::Binary: return "bin";
    case FirmwareFormat::None: break;
  }
  return "";
}

// The name in words: "Intel HEX", "memory image", "Motorola S-record",
// "ELF", "raw binary".
inline const char* FormatTitle(FirmwareFormat format) {
  switch (format) {
    case FirmwareFormat::IntelHex: return "Intel HEX";
    case FirmwareFormat::MemoryImage: return "memory image";
    case FirmwareFormat::SRecord: return "Motorola S-record";
    case FirmwareFormat::Elf: return "ELF";
    case FirmwareFormat::Binary: return "raw binary";
    case FirmwareFormat::None: break;
  }
  return "";
}

// The format of a short name; None for any other text.
inline FirmwareFormat FormatNamed(const char* name) {
  for (FirmwareFormat f : {FirmwareFormat::IntelHex, FirmwareFormat::MemoryImage,
                           FirmwareFormat::SRecord, FirmwareFormat::Elf, FirmwareFormat::Binary}) {
    if (std::strcmp(name, FormatName(f)) == 0) return f;
  }
  return FirmwareFormat::None;
}

}  // namespace zentrel
