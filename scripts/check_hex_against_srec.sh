#!/bin/sh
# Compares `zentrel-flash image FILE --output OUT.bin` with srec_cat's binary
# output on Intel HEX files that srec_cat and objcopy write from random
# binaries: several record lengths, CR LF and LF, upper and lower case,
# segment (type 0x02) addressing, one and two 64 KiB windows (type 0x04, also
# at 0x08000000), gaps. Where type 0x04 names a window, srec_cat's output is
# shifted down by the first data record's window, which is where the loader
# puts the image's address 0. Also checks that hex text over 260000 bytes is
# refused as a read error.
#
# Usage: check_hex_against_srec.sh PATH/TO/zentrel-flash
# Needs srec_cat (Debian srecord) and objcopy (binutils). Exit status 0 when
# every case matches; on a mismatch the work folder is kept for inspection.
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

# Hex text over 260000 bytes is a read error, whatever it holds.
random_bin huge.bin 120000
srec_hex huge.bin 0x1000 "$work/huge.hex"
cases=$((cases + 1))
if "$flash" image "$work/huge.hex" > "$work/huge.log" 2>&1; then
  echo "FAIL huge: a $(wc -c < "$work/huge.hex")-byte text was accepted"
  failures=$((failures + 1))
elif ! grep -qx 'File Error: File read error' "$work/huge.log"; then
  echo "FAIL huge: unexpected message:"
  cat "$work/huge.log"
  failures=$((failures + 1))
else
  echo "ok   huge ($(wc -c < "$work/huge.hex")-byte text refused)"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures of $cases cases failed; files kept in $work"
  exit 1
fi
rm -rf "$work"
echo "all $cases cases match"
