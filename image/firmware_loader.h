// Loading a firmware file for the command line, which reads more formats
// than the windows: ELF, Motorola S-record and raw binary besides Intel HEX
// and the memory image. The windows keep LoadImageFromPath and its letter.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/firmware_format.h"
#include "image/image_loader.h"
#include "image/image_placement.h"
#include "image/image_store.h"

namespace zentrel {

// Why the reader was chosen.
enum class FormatReason : std::uint8_t {
  Option,     // --format
  Magic,      // the file begins with the ELF magic
  Extension,  // .srec .s19 .s28 .s37 .mot, .bin, .elf .axf .out, in any case
  Letter,     // the first letter of a three-letter extension, as the windows choose
};

// "format_option", "magic", "extension", "letter": the reason's name in JSON.
const char* ReasonName(FormatReason reason);

struct FirmwareChoice {
  FirmwareFormat Format = FirmwareFormat::None;  // --format; None: chosen from the file
  bool HasAddress = false;                       // --address given
  std::uint64_t Address = 0;
};

// A choice that the command line refuses as a usage error.
enum class ChoiceProblem : std::uint8_t {
  None,
  AddressMissing,  // a raw binary needs --address
  AddressUnused,   // --address with any other format would be ignored
};

struct FormatChosen {
  FirmwareFormat Format = FirmwareFormat::None;  // None: the letter names no reader
  FormatReason Reason = FormatReason::Letter;
  char Letter = 0;  // the kind letter of the path, as the windows take it
};

// The reader for path: --format when given, else ELF when head (the file's
// first bytes) holds its magic, else by the extension, else by the letter.
FormatChosen ChooseFormat(const char* path, const std::uint8_t* head, std::size_t count,
                          FirmwareFormat option);

struct FirmwareLoad {
  ImageLoad Load;  // loaded, or the box and the read fault
  FormatChosen Chosen;
  ChoiceProblem Problem = ChoiceProblem::None;  // set: nothing was loaded
  ImageLayout Layout;  // ELF, S-record, binary: where the pieces went
};

// Chooses the reader, reads the file and builds the image; ImageKind is 'm'
// for a memory image and 'h' for every other image. An ELF file is read by
// offset, only its headers and loadable bytes, whatever its size; every
// other format is read whole into FileBuffer (at most 4194304 bytes). The
// store keeps the whole file's SHA-256 and its format. A refused or unread
// file leaves no image loaded.
FirmwareLoad LoadFirmware(ImageStore& store, const char* path, const FirmwareChoice& choice);

}  // namespace zentrel
