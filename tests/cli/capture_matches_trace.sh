#!/usr/bin/env bash
# tshark reads the capture of a download back: every report of the trace is
# there, as its USB transfer, with the same bytes in the same order, and
# Wireshark's HID dissector takes the transfers for HID ones.
#
#   capture_matches_trace.sh ZENTREL_FLASH IMAGE
set -euo pipefail
flash=$1 image=$2
if ! command -v tshark >/dev/null; then
  echo "tshark is missing: scripts/install-deps.sh test installs it" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A time limit: a program that waits forever fails the test.
timeout 60 "$flash" flash "$image" --emulate --emulate-latency instant --pace fast --quiet \
  --trace="$work/trace.txt" --capture "$work/capture.pcapng"

# The trace's reports as "kind bytes", the bytes as the bus carries them:
# without report ID 0, a "[N zeros]" run written out.
awk '
  / (set feature|get feature|write output|read input)  / {
    kind = $0 ~ /set feature/ ? "set" : $0 ~ /get feature/ ? "get" : $0 ~ /write output/ ? "out" : "in"
    n = split($0, f, "  ")
    hex = ""
    for (i = 1; i <= n; i++) if (f[i] ~ /^([0-9A-F][0-9A-F]( |$))+(\[[0-9]+ zeros\])?$|^\[[0-9]+ zeros\]$/) hex = f[i]
    if (hex == "") next
    if (match(hex, /\[[0-9]+ zeros\]/)) {
      zeros = substr(hex, RSTART + 1) + 0
      hex = substr(hex, 1, RSTART - 1)
      for (z = 0; z < zeros; z++) hex = hex "00 "
    }
    gsub(/ /, "", hex)
    print kind, tolower(substr(hex, 3))
  }' "$work/trace.txt" >"$work/from-trace.txt"

# The capture's transfers as tshark's generic USB dissector shows their data.
tshark -r "$work/capture.pcapng" --disable-protocol usbhid -T fields -E separator=/s \
  -e usb.urb_type -e usb.transfer_type -e usb.endpoint_address \
  -e usb.data_fragment -e usb.control.Response -e usb.capdata 2>/dev/null |
  awk '
    $1 == "\x27S\x27" && $2 == "0x02" && $3 == "0x00" && NF == 4 { print "set", $4 }
    $1 == "\x27C\x27" && $2 == "0x02" && $3 == "0x80" && NF == 4 { print "get", $4 }
    $1 == "\x27S\x27" && $2 == "0x01" && $3 == "0x01" && NF == 4 { print "out", $4 }
    $1 == "\x27C\x27" && $2 == "0x01" && $3 == "0x81" && NF == 4 { print "in", $4 }
  ' >"$work/from-capture.txt"

reports=$(wc -l <"$work/from-trace.txt")
outs=$(grep -c '^out ' "$work/from-trace.txt" || true)
echo "trace: $reports reports, $outs data reports"
# demo.mvx: 8 pages of 4 packets.
[ "$outs" -eq 32 ] || { echo "FAILED: expected 32 data reports in the trace"; exit 1; }
diff "$work/from-trace.txt" "$work/from-capture.txt" ||
  { echo "FAILED: the capture's bytes differ from the trace's"; exit 1; }

# The HID dissector's view: SET_REPORT (0x09) and GET_REPORT (0x01) requests
# of a feature report (type 3), and the interrupt transfers' data as HID data.
tshark -r "$work/capture.pcapng" -T fields -E separator=/s \
  -e usbhid.setup.bRequest -e usbhid.setup.ReportType 2>/dev/null >"$work/hid.txt"
count() { grep -c "$1" "$2" || true; }
sets=$(count '^set ' "$work/from-trace.txt")
gets=$(count '^get ' "$work/from-trace.txt")
ins=$(count '^in ' "$work/from-trace.txt")
[ "$(count '^0x09 3$' "$work/hid.txt")" -eq "$sets" ] ||
  { echo "FAILED: $sets SET_REPORT requests of a feature report"; exit 1; }
[ "$(count '^0x01 3$' "$work/hid.txt")" -eq "$gets" ] ||
  { echo "FAILED: $gets GET_REPORT requests of a feature report"; exit 1; }
[ "$(tshark -r "$work/capture.pcapng" -Y usbhid.data 2>/dev/null | wc -l)" -eq $((outs + ins)) ] ||
  { echo "FAILED: $((outs + ins)) interrupt transfers with HID data"; exit 1; }
echo "the capture holds the trace's $reports reports, byte for byte"
