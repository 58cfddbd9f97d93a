#!/bin/sh
# Compares `zentrel-flash image FILE --output OUT.bin` with srec_cat's binary
# output on Intel HEX files that srec_cat and objcopy write from random
# binaries: several record lengths, CR LF and LF, upper and lower case,
# segment (type 0x02) addressing, one and two 64 KiB windows (type 0x04, also
# at 0x08000000), gaps. Where type 0x04 names a window, srec_cat's output is
# shifted down by the first data record's window, which is where the loader
# puts the image's address 0.
#
# Then images as large as the flash takes (200000 and 255000 bytes at
# 0x1000): as Intel HEX from both tools, as memory images with CR LF and LF
# lines, with 1-byte records (3.8 MB of text); text of 4194304 bytes loads,
# one byte more is a read error; and the 255000-byte image flashed into the
# emulated device arrives byte for byte.
#
# Usage: check_hex_against_srec.sh PATH/TO/zentrel-flash
# Needs srec_cat (Debian srecord), objcopy (binutils) and od. Exit status 0
# when every case matches; on a mismatch the work folder is kept.
set -eu

flash=${1:?usage: $0 PATH/TO/zentrel-flash}
work=$(mktemp -d "${TMPDIR:-/tmp}/zentrel-hex-check.XXXXXX")
failures=0
cases=0

random_bin() { # name bytes
  head -c "$2" /dev/urandom > "$work/$1"
}

to_crlf() { sed 's/$/\r/' "$1" > "$1.tmp" && mv "$1.tmp" "$1"; }
to_lf() { tr -d '\r' < "$1" > "$1.tmp" && mv "$1.tmp" "$1"; }
to_lower() { tr 'A-F' 'a-f' < "$1" > "$1.tmp" && mv "$1.tmp" "$1"; }

# check NAME HEXFILE SHIFT: SHIFT is the address srec_cat's output starts at
# for the loader (origin window * 65536).
check() {
  name=$1 hex=$2 shift=$3
  cases=$((cases + 1))
  srec_cat "$hex" -Intel -offset "-$shift" -o "$work/$name.expected.bin" -binary
  if ! "$flash" image "$hex" --output "$work/$name.got.bin" > "$work/$name.log" 2>&1; then
    echo "FAIL $name: zentrel-flash refused the file:"
    cat "$work/$name.log"
    failures=$((failures + 1))
  elif ! cmp -s "$work/$name.expected.bin" "$work/$name.got.bin"; then
    echo "FAIL $name: images differ"
    cmp "$work/$name.expected.bin" "$work/$name.got.bin" || true
    failures=$((failures + 1))
  else
    echo "ok   $name ($(wc -c < "$work/$name.got.bin") bytes)"
  fi
}

# srec_cat FILE OFFSET OUTHEX [options]: write a binary as Intel HEX.
srec_hex() {
  in=$1 offset=$2 out=$3
  shift 3
  srec_cat "$work/$in" -binary -offset "$offset" -o "$out" -Intel "$@"
}

random_bin small.bin 3000
random_bin medium.bin 12000
random_bin wide.bin 70000

# Record lengths, line ends, case.
for block in 1 16 32 255; do
  for ends in lf crlf; do
    for case in upper lower; do
      hex="$work/block$block-$ends-$case.hex"
      srec_hex medium.bin 0x1000 "$hex" -Output_Block_Size=$block
      to_lf "$hex"
      [ "$ends" = crlf ] && to_crlf "$hex"
      [ "$case" = lower ] && to_lower "$hex"
      check "block$block-$ends-$case" "$hex" 0
    done
  done
done

# Segment addressing (type 0x02), data above 64 KiB.
srec_hex medium.bin 0x12340 "$work/segment.hex" -address-length=3
check segment "$work/segment.hex" 0

# Gaps between three pieces, written out of address order.
srec_cat "$work/small.bin" -binary -offset 0x9000 \
         "$work/medium.bin" -binary -offset 0x1000 \
         "$work/small.bin" -binary -offset 0x20000 -o "$work/gaps.hex" -Intel
check gaps "$work/gaps.hex" 0

# One 64 KiB window at 0x08000000; two windows; three windows (objcopy).
srec_hex medium.bin 0x08001000 "$work/window1.hex"
check window1-srec "$work/window1.hex" 0x08000000
srec_hex medium.bin 0x0800E000 "$work/window2.hex" -CRLF
check window2-srec "$work/window2.hex" 0x08000000
objcopy -I binary -O ihex --change-addresses 0x08001000 "$work/medium.bin" "$work/window1-objcopy.hex"
check window1-objcopy "$work/window1-objcopy.hex" 0x08000000
objcopy -I binary -O ihex --change-addresses 0x0800F000 "$work/wide.bin" "$work/window3-objcopy.hex"
check window3-objcopy "$work/window3-objcopy.hex" 0x08000000
objcopy -I binary -O ihex --change-addresses 0x12340 "$work/medium.bin" "$work/segment-objcopy.hex"
check segment-objcopy "$work/segment-objcopy.hex" 0

# A memory image of a binary that starts at address 0: the header line
# names the emulated device, 32 bytes per line, the end mark on a line of
# its own; LF line ends (to_crlf makes them CR LF).
to_mvx() { # BIN MVX
  { echo 'ZENTREL IMAGE  ZX-CORE           1.x     '
    od -An -v -tx1 -w32 "$1" | tr -d ' ' | tr 'a-f' 'A-F'
    echo L; } > "$2"
}

# check_against NAME FILE EXPECTED.BIN: FILE loads to EXPECTED.BIN's bytes.
check_against() {
  name=$1 file=$2 expected=$3
  cases=$((cases + 1))
  if ! "$flash" image "$file" --output "$work/$name.got.bin" > "$work/$name.log" 2>&1; then
    echo "FAIL $name: zentrel-flash refused the file:"
    cat "$work/$name.log"
    failures=$((failures + 1))
  elif ! cmp -s "$expected" "$work/$name.got.bin"; then
    echo "FAIL $name: images differ"
    cmp "$expected" "$work/$name.got.bin" || true
    failures=$((failures + 1))
  else
    echo "ok   $name ($(wc -c < "$work/$name.got.bin") bytes)"
  fi
}

# check_read_error NAME FILE: refused as a whole, before any reading.
check_read_error() {
  name=$1 file=$2
  cases=$((cases + 1))
  if "$flash" image "$file" > "$work/$name.log" 2>&1; then
    echo "FAIL $name: a $(wc -c < "$file")-byte text was accepted"
    failures=$((failures + 1))
  elif ! grep -qx 'File Error: File read error' "$work/$name.log"; then
    echo "FAIL $name: unexpected message:"
    cat "$work/$name.log"
    failures=$((failures + 1))
  else
    echo "ok   $name ($(wc -c < "$file")-byte text refused)"
  fi
}

# Images as large as the flash takes, at 0x1000 above the boot area.
# objcopy writes 16-byte records only; srec_cat 16 and 32.
for size in 200000 255000; do
  random_bin app$size.bin $size
  for ends in lf crlf; do
    for block in 16 32; do
      hex="$work/app$size-srec$block-$ends.hex"
      srec_hex app$size.bin 0x1000 "$hex" -Output_Block_Size=$block
      to_lf "$hex"
      [ "$ends" = crlf ] && to_crlf "$hex"
      check "app$size-srec$block-$ends" "$hex" 0
    done
    hex="$work/app$size-objcopy16-$ends.hex"
    objcopy -I binary -O ihex --change-addresses 0x1000 "$work/app$size.bin" "$hex"
    to_lf "$hex"
    [ "$ends" = crlf ] && to_crlf "$hex"
    check "app$size-objcopy16-$ends" "$hex" 0

    mvx="$work/app$size-$ends.mvx"
    to_mvx "$work/app$size-srec16-$ends.expected.bin" "$mvx"
    [ "$ends" = crlf ] && to_crlf "$mvx"
    check_against "app$size-$ends-mvx" "$mvx" "$work/app$size-srec16-$ends.expected.bin"
  done
done

# 1-byte records: the longest text a 255000-byte image has (3.8 MB). Then
# blank lines after the End Of File record up to the buffer's 4194304 bytes,
# which load, and one more, which is refused unread.
srec_hex app255000.bin 0x1000 "$work/bytewise.hex" -Output_Block_Size=1
to_lf "$work/bytewise.hex"
to_crlf "$work/bytewise.hex"
check bytewise-crlf "$work/bytewise.hex" 0
pad=$((4194304 - $(wc -c < "$work/bytewise.hex")))
head -c "$pad" /dev/zero | tr '\0' '\n' >> "$work/bytewise.hex"
check_against bytewise-4194304 "$work/bytewise.hex" "$work/bytewise-crlf.expected.bin"
echo >> "$work/bytewise.hex"
check_read_error bytewise-4194305 "$work/bytewise.hex"

# The 255000-byte image through a whole download into the emulated device:
# its flash from 4096 holds the image byte for byte.
cases=$((cases + 1))
if ! "$flash" flash "$work/app255000-srec32-crlf.hex" --emulate --pace fast \
    --emulate-latency instant --emulate-dump "$work/flash.bin" > "$work/flash.log" 2>&1; then
  echo "FAIL flash-255000: the download failed:"
  tail -n 5 "$work/flash.log"
  failures=$((failures + 1))
else
  tail -c +4097 "$work/app255000-srec32-crlf.expected.bin" > "$work/flash.expected"
  tail -c +4097 "$work/flash.bin" | head -c 255000 > "$work/flash.got"
  if ! cmp -s "$work/flash.expected" "$work/flash.got"; then
    echo "FAIL flash-255000: the device's flash differs from the image"
    cmp "$work/flash.expected" "$work/flash.got" || true
    failures=$((failures + 1))
  else
    echo "ok   flash-255000 (device flash from 4096 equals the image)"
  fi
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures of $cases cases failed; files kept in $work"
  exit 1
fi
rm -rf "$work"
echo "all $cases cases match"
