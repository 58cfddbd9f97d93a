#!/bin/sh
# Writes examples/demo.elf and examples/demo.s19 from the application that
# examples/demo.hex carries, with the real cross toolchain, so that all
# examples load the same bytes.
#
# demo.elf is linked as a firmware is: the first 600 bytes (vector table and
# code) in .text at 0x08001000; the other 400 as initialised .data that runs
# at 0x20000000 in RAM but is loaded into the flash right after .text, so its
# segment's load address (p_paddr) differs from its run address (p_vaddr).
# demo.s19 is that ELF as S1 records: objcopy moves it down by the flash base
# 0x08000000, since S19 holds 16-bit addresses only; it loads the same image.
#
# Usage: scripts/make_demo_elf.sh [EXAMPLES_DIR]
# Needs arm-none-eabi-gcc and arm-none-eabi-objcopy (Debian gcc-arm-none-eabi,
# binutils-arm-none-eabi).
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$here/examples}
work=$(mktemp -d "${TMPDIR:-/tmp}/zentrel-demo-elf.XXXXXX")
trap 'rm -rf "$work"' EXIT

arm-none-eabi-objcopy -I ihex -O binary "$out/demo.hex" "$work/app.bin"
head -c 600 "$work/app.bin" > "$work/text.bin"
tail -c +601 "$work/app.bin" > "$work/data.bin"

cat > "$work/demo.S" <<'ASM'
  .section .text, "ax"
  .incbin "text.bin"
  .section .data, "aw"
  .incbin "data.bin"
ASM
cat > "$work/demo.ld" <<'LD'
MEMORY {
  FLASH (rx) : ORIGIN = 0x08001000, LENGTH = 250K
  RAM (rwx)  : ORIGIN = 0x20000000, LENGTH = 32K
}
SECTIONS {
  .text : { KEEP(*(.text)) } > FLASH
  .data : { KEEP(*(.data)) } > RAM AT > FLASH
}
LD

(cd "$work" && arm-none-eabi-gcc -mcpu=cortex-m3 -mthumb -c demo.S -o demo.o)
arm-none-eabi-gcc -mcpu=cortex-m3 -mthumb -nostdlib -T "$work/demo.ld" \
  -Wl,--build-id=none -o "$work/demo.elf" "$work/demo.o"
# In the work folder: the S0 record names the file as given.
(cd "$work" && arm-none-eabi-objcopy -O srec --change-addresses -0x08000000 demo.elf demo.s19)
cp "$work/demo.elf" "$work/demo.s19" "$out/"
chmod 644 "$out/demo.elf" "$out/demo.s19"
echo "wrote $out/demo.elf and $out/demo.s19"
