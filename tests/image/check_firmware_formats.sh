#!/bin/sh
# Checks the ELF, S-record and raw binary readers against what the real
# tools make of the same firmware: a small Cortex-M program built here with
# arm-none-eabi-gcc (a vector table and a few functions in flash, initialised
# data that run in RAM but are loaded after the code, zeroed RAM), linked at
# 0x1000 and at 0x08001000. For each link, `zentrel-flash image --output`
# of the ELF, of arm-none-eabi-objcopy's Intel HEX, S-record (S3) and
# binary (with --address), and of srec_cat's S19 and S28, must equal the
# objcopy binary placed at 0x1000: byte for byte. Then flashes into the
# emulated device, the examples among them, and refusals of broken ELFs.
# With SCHEMA, every JSON record of those flashes is checked against it.
#
# Usage: check_firmware_formats.sh PATH/TO/zentrel-flash EXAMPLES_DIR [SCHEMA]
# Exit status: 0 when every case matches; 77 (skipped) when
# arm-none-eabi-gcc is not installed (scripts/install-deps.sh test installs
# it); 1 on a mismatch, the work folder kept.
set -eu

flash=${1:?usage: $0 PATH/TO/zentrel-flash EXAMPLES_DIR}
examples=${2:?usage: $0 PATH/TO/zentrel-flash EXAMPLES_DIR}
schema=${3:-}
validator=$(dirname "$0")/../support/validate_records.py
for tool in arm-none-eabi-gcc arm-none-eabi-objcopy srec_cat; do
  if ! command -v "$tool" > /dev/null; then
    echo "SKIPPED: $tool not found (Debian: gcc-arm-none-eabi, binutils-arm-none-eabi," \
         "srecord; scripts/install-deps.sh test)"
    exit 77
  fi
done
work=$(mktemp -d "${TMPDIR:-/tmp}/zentrel-formats.XXXXXX")
failures=0
cases=0
# No run of the program may hang the check.
run() { timeout 60 "$flash" "$@"; }

fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# check_image NAME EXPECTED.BIN FILE [OPTIONS]: FILE's image equals EXPECTED.
check_image() {
  name=$1 expected=$2
  shift 2
  cases=$((cases + 1))
  if ! run image "$@" --output "$work/$name.got" > "$work/$name.log" 2>&1; then
    fail "$name: zentrel-flash refused the file:"
    cat "$work/$name.log"
  elif ! cmp -s "$expected" "$work/$name.got"; then
    fail "$name: images differ"
    cmp "$expected" "$work/$name.got" || true
  else
    echo "ok   $name ($(wc -c < "$work/$name.got") bytes)"
  fi
}

# check_flash NAME REFERENCE FILE [OPTIONS]: the emulated device's flash
# after flashing FILE equals its flash after flashing REFERENCE.
check_flash() {
  name=$1 reference=$2
  shift 2
  cases=$((cases + 1))
  if ! run flash "$reference" --emulate --emulate-latency instant \
        --emulate-dump "$work/$name.ref.dump" > "$work/$name.ref.log" 2>&1 ||
     ! run flash "$@" --emulate --emulate-latency instant --json \
        --emulate-dump "$work/$name.dump" > "$work/$name.json" 2> "$work/$name.log"; then
    fail "$name: a download failed:"
    tail -n 3 "$work/$name.ref.log" "$work/$name.log"
  elif ! cmp -s "$work/$name.ref.dump" "$work/$name.dump"; then
    fail "$name: the device's flash differs from $reference's"
  elif ! grep -q "\"sha256\":\"$(sha256sum < "$1" | cut -d' ' -f1)\"" "$work/$name.json"; then
    fail "$name: the record's sha256 is not the whole file's"
  elif [ -n "$schema" ] && ! python3 "$validator" "$schema" < "$work/$name.json"; then
    fail "$name: records that the schema does not describe"
  else
    echo "ok   $name (device flash as after $(basename "$reference"))"
  fi
}

# check_refused NAME TEXT FILE: exit 3, and TEXT on stderr.
check_refused() {
  name=$1 text=$2 file=$3
  cases=$((cases + 1))
  status=0
  run image "$file" > "$work/$name.log" 2>&1 || status=$?
  if [ "$status" -ne 3 ] || ! grep -qF "$text" "$work/$name.log"; then
    fail "$name: exit $status, expected 3 and \"$text\":"
    cat "$work/$name.log"
  else
    echo "ok   $name (refused: $text)"
  fi
}

cat > "$work/fw.c" <<'C'
#include <stdint.h>

extern uint32_t _sidata[], _sdata[], _edata[], _sbss[], _ebss[], _estack[];
int main(void);

void Reset_Handler(void) {
  uint32_t *from = _sidata, *to = _sdata;
  while (to < _edata) *to++ = *from++;
  for (to = _sbss; to < _ebss;) *to++ = 0;
  main();
  for (;;) {
  }
}

void Default_Handler(void) {
  for (;;) {
  }
}

volatile uint32_t ticks = 0x12345678u;
const char banner[] = "zentrel formats check";
static uint16_t fibonacci[8] = {1, 1, 2, 3, 5, 8, 13, 21};
uint32_t zeroed[16];

void SysTick_Handler(void) { ticks++; }

static uint32_t Sum(void) {
  uint32_t sum = 0;
  for (int i = 0; i < 8; ++i) sum += fibonacci[i];
  return sum;
}

int main(void) {
  zeroed[0] = Sum() + (uint32_t)banner[0];
  for (;;) ticks += zeroed[0];
}

__attribute__((section(".isr_vector"), used)) void (*const vectors[16])(void) = {
    (void (*)(void))_estack, Reset_Handler,   Default_Handler, Default_Handler,
    Default_Handler,         Default_Handler, Default_Handler, 0,
    0,                       0,               0,               Default_Handler,
    Default_Handler,         0,               Default_Handler, SysTick_Handler};
C

# link ORIGIN NAME [LDFLAGS]: fw.c linked with its flash at ORIGIN.
link() {
  origin=$1 output=$2
  shift 2
  sed "s/@ORIGIN@/$origin/" > "$work/$output.ld" <<'LD'
MEMORY {
  FLASH (rx) : ORIGIN = @ORIGIN@, LENGTH = 200K
  RAM (rwx)  : ORIGIN = 0x20000000, LENGTH = 16K
}
_estack = ORIGIN(RAM) + LENGTH(RAM);
SECTIONS {
  .isr_vector : { KEEP(*(.isr_vector)) } > FLASH
  .text : { *(.text*) *(.rodata*) } > FLASH
  _sidata = LOADADDR(.data);
  .data : { _sdata = .; *(.data*) . = ALIGN(4); _edata = .; } > RAM AT > FLASH
  .bss : { _sbss = .; *(.bss*) *(COMMON) . = ALIGN(4); _ebss = .; } > RAM
}
LD
  arm-none-eabi-gcc -mcpu=cortex-m4 -mthumb -Os -g -ffreestanding -nostdlib \
    -T "$work/$output.ld" -Wl,--build-id=none -Wl,--no-warn-rwx-segments "$@" \
    -o "$work/$output.elf" "$work/fw.c"
}

# The formats of one link, each against objcopy's binary at 0x1000.
check_link() {
  at=$1 link=$2
  elf=$work/$link.elf
  arm-none-eabi-objcopy -O binary "$elf" "$work/$link.objcopy.bin"
  { head -c 4096 /dev/zero; cat "$work/$link.objcopy.bin"; } > "$work/$link.expected"
  arm-none-eabi-objcopy -O ihex "$elf" "$work/$link.hex"
  arm-none-eabi-objcopy -O srec --srec-forceS3 "$elf" "$work/$link.s37"
  check_image "$link-elf" "$work/$link.expected" "$elf"
  check_image "$link-objcopy-ihex" "$work/$link.expected" "$work/$link.hex"
  check_image "$link-objcopy-s3" "$work/$link.expected" "$work/$link.s37"
  check_image "$link-objcopy-binary" "$work/$link.expected" "$work/$link.objcopy.bin" \
    --address "$at"
  # The data are loaded after the code and run in RAM: p_paddr is not p_vaddr.
  cases=$((cases + 1))
  if run image "$elf" | grep -q 'runs at 0x20000000$'; then
    echo "ok   $link-data-runs-in-ram"
  else
    fail "$link-data-runs-in-ram: no segment that runs at 0x20000000"
  fi
}

link 0x1000 app
check_link 0x1000 app
# 16 and 24-bit addresses: srec_cat rewrites objcopy's S3 records.
srec_cat "$work/app.s37" -o "$work/app.s19" -motorola -address-length=2
srec_cat "$work/app.s37" -o "$work/app.s28" -motorola -address-length=3
check_image app-srec_cat-s19 "$work/app.expected" "$work/app.s19"
check_image app-srec_cat-s28 "$work/app.expected" "$work/app.s28"

# As an STM32 links it: the flash at 0x08000000, the application above the
# boot area. The 64 KiB window of its lowest address is image address 0.
link 0x08001000 stm32
check_link 0x08001000 stm32

check_flash flash-app-elf "$work/app.hex" "$work/app.elf"
check_flash flash-app-s19 "$work/app.hex" "$work/app.s19"
check_flash flash-app-bin "$work/app.hex" "$work/app.objcopy.bin" --address 0x1000
check_flash flash-stm32-elf "$work/stm32.hex" "$work/stm32.elf"
check_flash flash-demo-elf "$examples/demo.hex" "$examples/demo.elf"
check_flash flash-demo-s19 "$examples/demo.hex" "$examples/demo.s19"

# Broken builds: refused with exit 3 and the fault named.
head -c 200 "$work/app.elf" > "$work/cut.elf"
check_refused cut-elf "File Error: File format error in program header 0: segment bytes beyond the end of the file" "$work/cut.elf"
head -c 30 "$work/app.elf" > "$work/header.elf"
check_refused header-elf "File Error: File format error: truncated ELF header" "$work/header.elf"
printf 'const unsigned far_away[4] __attribute__((section(".far"), used)) = {1, 2, 3, 4};\n' \
  > "$work/far.c"
arm-none-eabi-gcc -mcpu=cortex-m4 -mthumb -c "$work/far.c" -o "$work/far.o"
link 0x1000 far "$work/far.o" -Wl,--section-start=.far=0x50000
check_refused far-elf \
  "File format error in program header 2: data beyond the 260000-byte image (address 0x00050000)" \
  "$work/far.elf"

if [ "$failures" -ne 0 ]; then
  echo "$failures of $cases cases failed; files kept in $work"
  exit 1
fi
rm -rf "$work"
echo "all $cases cases match"
