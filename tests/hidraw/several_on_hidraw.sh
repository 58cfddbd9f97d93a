#!/usr/bin/env bash
# zentrel-flash, unmodified, against two or three boot loaders behind mocked
# hidraw nodes on USB ports 1-1, 1-2 and 1-3: with no choice flash refuses and
# lists them; --port and --serial pick one board, also across its reset and new
# node, and leave the others untouched; a board plugged in late; flash --all
# flashes all three side by side, byte for byte.
#
#   several_on_hidraw.sh DEVICE_PROGRAM ZENTREL_FLASH
set -euo pipefail

device_program=$1
flash=$2
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$source_dir/tests/hidraw/checks.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The image's bytes from 4096 (the first address sent) in a device's dump.
holds_image() { cmp -s -n "$((image_end - 4096))" -i 4096:4096 image.bin "$1"; }
erased_at_4096() { [ "$(od -An -tx1 -j4096 -N1 "$1" | tr -d ' ')" = ff ]; }
line_in() { grep -qx -- "$1" "$2"; }

timeout 60 "$flash" image "$source_dir/examples/demo.hex" --output image.bin >/dev/null
image_end=$(stat -c %s image.bin)

boards() {  # boards N NAME -- COMMAND...: N devices, dumps and reports NAME.PORT
  local n=$1 name=$2
  shift 3
  umockdev-wrapper "$device_program" --devices "$n" --reenumerate-ms 300 \
    --dump "$name.bin" --report "$name.txt" -- "$@"
}
three() { boards 3 "$@"; }

code=0
boards 2 plain -- "$flash" flash "$source_dir/examples/demo.hex" >plain.out 2>plain.err || code=$?
check "two boards and no choice: flash refuses with exit 2" [ "$code" = 2 ]
check "... lists both, with how to choose" diff plain.err - <<EOF
zentrel-flash: 2 devices with IDs 1D50:61A7 are attached; choose one with --port or --serial (or flash them all with flash --all):
  --port 1-1  --serial ZB-000001  /dev/hidraw0
  --port 1-2  --serial ZB-000002  /dev/hidraw1
EOF
check "... and touches neither" line_in "resets 0" plain.txt.1-1
check "... nor the other" line_in "resets 0" plain.txt.1-2

boards 2 port -- "$flash" flash "$source_dir/examples/demo.hex" --port 1-2 --pace fast >port.out
check "--port 1-2 of two flashes the board on port 1-2" holds_image port.bin.1-2
check "... across its reset onto a new node" line_in "node /dev/hidraw2" port.txt.1-2
check "... and leaves port 1-1 alone" line_in "resets 0" port.txt.1-1
check "... erased" erased_at_4096 port.bin.1-1

three serial -- "$flash" flash "$source_dir/examples/demo.hex" --serial ZB-000003 --pace fast >serial.out
check "--serial ZB-000003 flashes the board with that serial" holds_image serial.bin.1-3
check "... and no other" erased_at_4096 serial.bin.1-1
check "... nor the second" line_in "resets 0" serial.txt.1-2

code=0
three none -- "$flash" info --port 9-9 >none.out 2>none.err || code=$?
check "a port with no board: exit 5" [ "$code" = 5 ]
check "... naming the filter" grep -q "no device with IDs 1D50:61A7 matches --port 9-9" none.err

# A board plugged in 1 s after the command: --wait takes it; without --wait the
# search finds it in its application, and it was never reset, nor was a board
# whose reset the node failed.
late() { umockdev-wrapper "$device_program" --arrive-ms 1000 -- "$flash" "$@"; }
late info --wait 5 >late.out 2>&1
check "--wait takes a board that arrives late" grep -qx "HW platform:      ZX-CORE" late.out
not_reset="zentrel-flash: failed while reading the boot loader; the device is still attached; \
the device was not reset and its flash is unchanged"
late info --json >late.json 2>late.err || true
check "... without --wait: found unreset, and said so" line_in "$not_reset" late.err
check "... its record names the board the road found" \
  grep -q '"port":"1-1",.*"serial":"ZB-000001"' late.json
check "... in records the schema describes" timeout 60 /usr/bin/python3 \
  "$source_dir/tests/support/validate_records.py" \
  "$source_dir/docs/zentrel-flash-records.schema.json" <late.json
umockdev-wrapper "$device_program" --transport-fault eio:1 -- "$flash" info >/dev/null \
  2>lost.err || true
check "a reset the node failed: not reset" line_in "$not_reset" lost.err
# Firmware that takes the reset command and goes on in its application.
code=0
umockdev-wrapper "$device_program" --fault ignores-reset --report ignored.txt -- "$flash" info \
  >/dev/null 2>ignored.err || code=$?
check "a board that ignores the reset: info exits 1" [ "$code" = 1 ]
check "... says the command was sent but no boot loader answered" \
  grep -q "the reset command was sent but no boot loader has answered since" ignored.err
check "... and claims no reset" bash -c '! grep -q "reset into its boot loader" ignored.err'
check "... of which it had none" line_in "resets 0" ignored.txt

# The device program itself: a fault no node passes on is refused, with what
# shows it instead; vanish:0 is gone at once.
code=0
umockdev-wrapper "$device_program" --fault cannot-open -- true 2>refused.err || code=$?
check "a fault no node passes on is refused (125)" [ "$code" = 125 ]
check "... saying what shows it" grep -q "preload libzentrel_deny_hidraw_open.so" refused.err
code=0
umockdev-wrapper "$device_program" --fault vanish:0 -- "$flash" info >/dev/null 2>&1 || code=$?
check "--fault vanish:0: no device from the start (exit 5)" [ "$code" = 5 ]
for zero in "--fault fail-output:0" "--transport-fault eio:0"; do
  code=0
  umockdev-wrapper "$device_program" $zero -- true 2>/dev/null || code=$?
  check "$zero is refused: that transfer is never counted (125)" [ "$code" = 125 ]
done

three all -- "$flash" flash "$source_dir/examples/demo.hex" --all --pace fast >all.out
for port in 1-1 1-2 1-3; do
  check "--all flashes port $port byte for byte" holds_image "all.bin.$port"
  check "... and says so" grep -q "^$port ZB-00000${port#1-}: passed" all.out
done
check "... 3 passed" grep -q "^3 passed, 0 failed" all.out

if ! all_passed; then
  for f in *.out *.err; do echo "--- $f"; cat "$f"; done
  exit 1
fi
