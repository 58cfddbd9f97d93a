#!/usr/bin/env bash
# zentrel-flash, unmodified, against the emulated boot loader behind a mocked
# /dev/hidrawN: information, application information and a download of a
# multi-page image, byte for byte, across the reset and the new node; a board
# unplugged mid-download; a node that is missing or denies access; a product
# string that is not ASCII; the trace of the calls and of a failed one, and
# their capture.
#
#   flash_on_hidraw.sh DEVICE_PROGRAM CLIENT...
#
# CLIENT is the command that runs zentrel-flash (for Windows: a wrapper that
# runs zentrel-flash.exe under Wine). Needs umockdev-wrapper and srec_cat.
set -euo pipefail

device_program=$1
shift
client=("$@")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work

source "$(dirname "$0")/checks.sh"

on_device() {  # on_device [device options] -- zentrel-flash arguments
  umockdev-wrapper "$device_program" "$@"
}

# 3000 bytes of random application at 0x1000 as Intel HEX with 16-byte
# records: 24 pages, the last one ending in 72 zeros.
head -c 3000 /dev/urandom >"$work/app.bin"
srec_cat "$work/app.bin" -binary -offset 0x1000 -o "$work/app.hex" -intel -line-length=44
{
  cat "$work/app.bin"
  head -c 72 /dev/zero
  head -c $((256 * 1024 - 4096 - 3072)) /dev/zero | tr '\0' '\377'
} >"$work/expected-above-4096.bin"

on_device --dump "$work/flash.bin" --report "$work/report.txt" -- \
  "${client[@]}" flash "$work/app.hex" >"$work/flash.out" 2>&1 || true
check "flash ends with the success text" grep -q "BOOT successful finished ;-) " "$work/flash.out"
tail -c +4097 "$work/flash.bin" >"$work/flash-above-4096.bin" 2>/dev/null || true
check "flash from 4096 holds the image, zeros to the page end, then erased bytes" \
  cmp "$work/expected-above-4096.bin" "$work/flash-above-4096.bin"
check "one reset, and the device came back as a new node" \
  grep -qx -e "resets 1" "$work/report.txt"
check "the nodes were hidraw0, then hidraw1" \
  diff <(grep '^node ' "$work/report.txt") <(printf 'node /dev/hidraw0\nnode /dev/hidraw1\n')
check "96 data reports for 24 pages" grep -qx "data-reports 96" "$work/report.txt"

# The same application as an ELF, linked as a firmware is at 0x08001000 with
# 1000 bytes of it as data loaded there but run in RAM: read by offset
# through the platform's file calls, it lands byte for byte where the HEX did.
if command -v arm-none-eabi-gcc >/dev/null; then
  head -c 2000 "$work/app.bin" >"$work/text.bin"
  tail -c +2001 "$work/app.bin" >"$work/data.bin"
  printf '.section .text,"ax"\n.incbin "text.bin"\n.section .data,"aw"\n.incbin "data.bin"\n' \
    >"$work/app.S"
  printf 'MEMORY { F (rx) : ORIGIN = 0x08001000, LENGTH = 200K\n R (rw) : ORIGIN = 0x20000000, LENGTH = 8K }\n%s\n' \
    'SECTIONS { .text : { *(.text) } > F  .data : { *(.data) } > R AT > F }' >"$work/app.ld"
  (cd "$work" && arm-none-eabi-gcc -mthumb -nostdlib -T app.ld -Wl,--build-id=none app.S -o app.elf)
  on_device --dump "$work/flash-elf.bin" -- "${client[@]}" flash "$work/app.elf" \
    >"$work/flash-elf.out" 2>&1 || true
  check "an ELF flashes with the success text" grep -q "BOOT successful finished ;-) " \
    "$work/flash-elf.out"
  tail -c +4097 "$work/flash-elf.bin" >"$work/flash-elf-above-4096.bin" 2>/dev/null || true
  check "... and the flash from 4096 holds what the Intel HEX left" \
    cmp "$work/expected-above-4096.bin" "$work/flash-elf-above-4096.bin"
else
  echo "skipped: flashing an ELF (no arm-none-eabi-gcc; scripts/install-deps.sh test installs it)"
fi

# A file name in letters that no single Windows code page holds.
named="$work/прошивка-řada.hex"
cp "$work/app.hex" "$named"
out=$(timeout 120 "${client[@]}" image "$named" 2>&1) && status=0 || status=$?
check "image reads a file named in Cyrillic and Czech letters" test "$status" -eq 0
check "... and names it as given" grep -qF "File:             $named" <<<"$out"

out=$(on_device -- "${client[@]}" info 2>&1) && status=0 || status=$?
check "info exits 0" test "$status" -eq 0
check "info shows the platform" grep -q "ZX-CORE" <<<"$out"
check "info shows the boot loader version" grep -q "BL 2.05" <<<"$out"

out=$(on_device --app-info "ZENTREL DEMO APP" -- "${client[@]}" app-info 2>&1) && status=0 || status=$?
check "app-info exits 0" test "$status" -eq 0
check "app-info shows the application" grep -q "ZENTREL DEMO APP" <<<"$out"

# A product string that begins with U+0141, in a process in the C locale
# (HIDRAW_CLIENT_LOCALE: Wine decodes sysfs strings in its own locale, so
# under Wine the check runs in a UTF-8 one).
out=$(LC_ALL=${HIDRAW_CLIENT_LOCALE:-C} on_device --product "$(printf '\305\201ZENTREL BOOT')" -- \
  "${client[@]}" info 2>&1) && status=0 || status=$?
check "info takes a device whose product string begins with U+0141" test "$status" -eq 0
check "... and shows its first character as 'A'" grep -q "AZENTREL BOOT" <<<"$out"

out=$(on_device -- "${client[@]}" list 2>&1) && status=0 || status=$?
check "list exits 0" test "$status" -eq 0
check "list shows the device with its product string and serial number, marked" \
  grep -q 'ZENTREL BOOT"  serial "ZB-000001"  \[boot loader candidate\] \[has the IDs\]' <<<"$out"

# The trace through the real HID stack: each call decoded, and a transfer
# that fails ends with the platform's own reason (HIDRAW_TRACE_FAILURE: what
# the platform says of an EIO from the node; hidapi's text by default).
on_device -- "${client[@]}" info --trace="$work/trace.txt" --capture "$work/capture.pcapng" \
  >/dev/null 2>&1 || true
check "the trace shows the reset with its key" \
  grep -q "  set feature  9 B  00 CA 00 00 00 5A 45 4E 54  CMD_RESET key ok$" "$work/trace.txt"
check "... the boot status with the flash size" \
  grep -q "  get feature  9 B  00 00 AA 00 01 00 00 00 00  STATUS_OK flash 256 KiB$" "$work/trace.txt"
check "... the valid strings as text" \
  grep -q '  read input  64 B  limit 1000 ms  00 5A 58 .*  strings valid "ZX-CORE" "1.2" "BL 2.05"$' \
  "$work/trace.txt"
check "... and ends with the close" grep -q "  close$" <(tail -1 "$work/trace.txt")
if command -v tshark >/dev/null; then
  check "the capture holds a SET_REPORT for each set feature of the trace" \
    test "$(tshark -r "$work/capture.pcapng" -Y 'usbhid.setup.bRequest == 0x09' 2>/dev/null |
      wc -l)" -eq "$(grep -c '  set feature  ' "$work/trace.txt")"
fi
on_device --transport-fault eio -- "${client[@]}" info --trace="$work/failed.txt" \
  >/dev/null 2>&1 || true
check "a failed transfer in the trace says why, in the platform's words" \
  grep -Eq "  set feature  9 B  00 CA 00 00 00 5A 45 4E 54  CMD_RESET key ok  failed: \
${HIDRAW_TRACE_FAILURE:-ioctl \(SFEATURE\): Input/output error}$" "$work/failed.txt"

if [ "${HIDRAW_CHECK_UNOPENABLE:-1}" = 1 ]; then
  # A board that leaves the bus at its 5th data report (page 2 of 24), its node
  # lingering a moment, as the kernel's does: the box, then where it stopped
  # and what it holds. It was open, so no word of a node that cannot be opened.
  on_device --fault vanish:5 --linger-ms 1000 -- "${client[@]}" flash "$work/app.hex" >/dev/null \
    2>"$work/vanish.err" && status=0 || status=$?
  check "a board unplugged mid-download: flash exits 1" test "$status" -eq 1
  check "... with the box and the advice for a device that failed, and nothing else" \
    diff - "$work/vanish.err" <<'EOF'
BOOT info: Boot data write Ack error
zentrel-flash: failed while writing page 2 of 24; the device has left the bus; the device holds an incomplete image; flash it again
EOF

  out=$(on_device --node-missing -- "${client[@]}" list 2>&1) && status=0 || status=$?
  check "list names a node that cannot be opened, with the reason" \
    grep -q "/dev/hidraw0 .*cannot be opened: .*No such file or directory" <<<"$out"

  searched="zentrel-flash: searched for IDs 1D50:61A7: 1 HID collections, 0 boot loader \
candidates, 0 with the IDs now; \`zentrel-flash list\` shows them"
  on_device --node-missing -- "${client[@]}" info >/dev/null 2>"$work/missing.err" &&
    status=0 || status=$?
  check "a node that cannot be opened: info exits 5 (no device)" test "$status" -eq 5
  check "... with the usual text, the search, then the node and its open's reason; a missing \
node is no matter of access rules" diff - "$work/missing.err" <<EOF
BOOT info: No HID device detect
$searched
zentrel-flash: /dev/hidraw0 is a device with IDs 1D50:61A7, but it cannot be opened: No such file or directory
EOF

  # The node refuses the client as a 0600 node refuses a user (preloaded:
  # the tests may run as root).
  : "${HIDRAW_DENY_OPEN:?the library that makes opens of /dev/hidraw* fail with EACCES}"
  on_device -- sh -c 'LD_PRELOAD="$0${LD_PRELOAD:+ $LD_PRELOAD}" exec "$@"' "$HIDRAW_DENY_OPEN" \
    "${client[@]}" info >/dev/null 2>"$work/denied.err" && status=0 || status=$?
  check "a node that denies access: info exits 5 (no device)" test "$status" -eq 5
  check "... then the node, \"Permission denied\" and the udev rule" \
    diff - "$work/denied.err" <<EOF
BOOT info: No HID device detect
$searched
zentrel-flash: /dev/hidraw0 is a device with IDs 1D50:61A7, but it cannot be opened: Permission denied
zentrel-flash: to give your user access, install the udev rule and plug the device in again (README, "Device access on Linux")
EOF
fi

all_passed
