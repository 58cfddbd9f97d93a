#!/usr/bin/env bash
# Installs what is missing, builds, and runs zentrel-flash against the
# emulated boot loader: the device's identification, then a whole download of
# the example image, checked byte for byte against what the device received.
# It builds the command line alone, in a tree of its own (build/demo): no Qt,
# no tests, no benchmarks, so a new machine needs only the demo's packages.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh demo
cmake --preset demo >/dev/null
cmake --build --preset demo -j2

flash=build/demo/cli/zentrel-flash
dump=build/demo/demo-device-flash.bin
image=build/demo/demo-image.bin

printf '\n$ zentrel-flash info --emulate\n'
$flash info --emulate

printf '\n$ zentrel-flash flash examples/demo.mvx --emulate --emulate-dump %s\n' "$dump"
$flash flash examples/demo.mvx --emulate --emulate-dump "$dump"

# What the device received from address 4096 on equals the image.
$flash image examples/demo.mvx --output "$image" >/dev/null
size=$(stat -c %s "$image")
if cmp -s -i 4096:4096 -n $((size - 4096)) "$image" "$dump"; then
  echo "The emulated device's flash holds the image from address 4096 on ($((size - 4096)) bytes)."
else
  echo "The emulated device's flash differs from the image." >&2
  exit 1
fi
