#!/usr/bin/env bash
# The port of each device through the Windows platform on Wine's HID stack,
# against two hidraw test devices (ports 1-1 and 1-2): list shows a port per
# device, one its own; --port picks the first device, resets it and finds it
# again by that port; afterwards each device still has the port it had. The
# first, since Wine numbers the devices with the same IDs as they arrive:
# back after the second one, the first one has another number.
#
#   location_under_wine.sh DEVICE_PROGRAM zentrel-flash.exe
#
# Wine's device tree gives no parents and no location properties, so the
# port shown here is the stand-in the platform falls back to (the device's
# instance ID, built from its IDs and serial number); the walk to a real
# location path is checked over Windows-shaped trees in win32_hid_tests.
set -euo pipefail

port_of() {  # port_of FILE SERIAL: the port list shows for the device with SERIAL
  sed -n "s/.*  port \(.*\)  1D50:61A7  usage .*serial \"$2\".*/\1/p" "$1"
}

if [ "${1:-}" = "--inside" ]; then  # under the testbed: one Wine server for all three
  flash_exe=$2 out=$3
  # winebus adds the devices a moment after the Wine server starts.
  for _ in $(seq 50); do
    wine "$flash_exe" list >"$out/before.txt" 2>&1 || true
    [ "$(grep -c 'serial "ZB-00000[12]"' "$out/before.txt")" -eq 2 ] && break
    sleep 0.2
  done
  port=$(port_of "$out/before.txt" ZB-000001)
  printf '%s' "$port" >"$out/port.txt"
  status=0
  wine "$flash_exe" info --port "$port" >"$out/info.txt" 2>&1 || status=$?
  echo "$status" >"$out/info-status.txt"
  wine "$flash_exe" list >"$out/after.txt" 2>&1 || true
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  exit 0
fi

device_program=$1 flash_exe=$2
here=$(cd "$(dirname "$0")" && pwd)

# A Wine server from an earlier test would not see the mocked devices.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
TMPDIR=$work umockdev-wrapper "$device_program" --devices 2 --report "$work/report" -- \
  "$here/location_under_wine.sh" --inside "$flash_exe" "$work"

source "$here/../checks.sh"

echo "--- list before:"; cat "$work/before.txt"
echo "--- info --port $(cat "$work/port.txt"):"; cat "$work/info.txt"
echo "--- list after:"; cat "$work/after.txt"
before1=$(port_of "$work/before.txt" ZB-000001)
before2=$(port_of "$work/before.txt" ZB-000002)
check "list shows a port for each of the two devices" \
  test -n "$before1" -a -n "$before2" -a "$before1" != "?" -a "$before2" != "?"
check "... and the two ports differ" test "$before1" != "$before2"
check "info --port on the first device's port exits 0" \
  test "$(cat "$work/info-status.txt")" -eq 0
check "... and shows its boot loader" grep -q "BL 2.05" "$work/info.txt"
check "the first device reset once" grep -qx "resets 1" "$work/report.1-1"
check "... and came back as a new node" \
  diff <(grep '^node ' "$work/report.1-1") <(printf 'node /dev/hidraw0\nnode /dev/hidraw2\n')
check "the second device was not touched" grep -qx "resets 0" "$work/report.1-2"
check "after the reset the first device has the port it had" \
  test "$(port_of "$work/after.txt" ZB-000001)" = "$before1"
check "... and the second one too" test "$(port_of "$work/after.txt" ZB-000002)" = "$before2"

all_passed
