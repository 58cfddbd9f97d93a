#!/usr/bin/env bash
# The Windows programs, unmodified, on Wine's HID stack (winebus reading
# hidraw through udev) against the emulated boot loader behind a mocked
# /dev/hidrawN: zentrel-flash.exe as the Linux program is checked, and
# zentrel-loader.exe's HW info through its window.
#
#   hidraw_under_wine.sh DEVICE_PROGRAM zentrel-flash.exe zentrel-loader.exe DRIVER.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
device_program=$1 flash_exe=$2 loader_exe=$3 driver_exe=$4

# A Wine server from an earlier test would not see the mocked devices.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

# Wine sees only the devices that winebus finds; a device that cannot be
# opened never reaches Windows, so there is nothing to name.
# An EIO from the node is ERROR_GEN_FAILURE to a Windows program.
HIDRAW_CHECK_UNOPENABLE=0 HIDRAW_CLIENT_LOCALE=C.UTF-8 HIDRAW_TRACE_FAILURE="error 31: .+" \
  "$here/../flash_on_hidraw.sh" \
  "$device_program" "$here/wine_once.sh" "$flash_exe"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
TMPDIR=$work umockdev-wrapper "$device_program" -- \
  "$here/wine_once.sh" "$driver_exe" "$(winepath -w "$loader_exe")"
