#!/usr/bin/env bash
# The real Linux USB stack: boots Debian's kernel once in QEMU (TCG, no KVM
# needed) with an initramfs that carries busybox, the kernel's USB gadget and
# HID modules, zentrel-usb-gadget, the production zentrel-flash (with the
# libraries ldd names) and udevadm; the guest runs every scenario of
# guest_scenarios.sh and prints one line per check on its console.
#
#   run_tier.sh --kernel DIR --gadget PROGRAM --flash PROGRAM --rule FILE
#               --work DIR [--only SCENARIO] [--shell]
#
# --only runs one scenario; --shell then gives a shell in the guest on this
# terminal (exit it to end the guest). Every wait has a time limit: QEMU is
# ended by its process id after it, and the console so far is printed.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
only="" shell=0
while [ $# -gt 0 ]; do
  case $1 in
    --kernel) kernel=$2; shift 2 ;;
    --gadget) gadget=$2; shift 2 ;;
    --flash) flash=$2; shift 2 ;;
    --rule) rule=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --shell) shell=1; shift ;;
    *) echo "run_tier.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
boot_limit=${USBVM_TIME_LIMIT:-240}  # seconds for the whole guest run

for tool in qemu-system-x86_64 busybox udevadm srec_cat; do
  command -v "$tool" >/dev/null || {
    echo "run_tier.sh: $tool is missing: scripts/install-deps.sh test installs it" >&2
    exit 1
  }
done
"$here/fetch_kernel.sh" "$kernel"

rm -rf "$work"
root=$work/root
mkdir -p "$root"/{bin,dev,proc,sys,tmp,run,etc/udev/rules.d,modules,usbvm,data}

# --- the initramfs ---------------------------------------------------------
cp "$(command -v busybox)" "$root/bin/busybox"
carry() {  # carry PROGRAM: into /bin, with the libraries ldd names, at their paths
  cp "$1" "$root/bin/"
  ldd "$1" | grep -o '/[^ ]*' | while read -r lib; do
    mkdir -p "$root$(dirname "$lib")"
    cp -L "$lib" "$root$lib"
  done
}
carry "$flash"
carry "$(command -v udevadm)"
cp "$gadget" "$root/bin/zentrel-usb-gadget"
cp "$rule" "$root/etc/udev/rules.d/"
cp "$here/guest_init.sh" "$root/init"
cp "$here/guest_scenarios.sh" "$root/usbvm/"

# Modules in load order, each after the ones it depends on (the package has
# no modules.dep: each module names its own in .modinfo).
modules=$kernel/modules/kernel
loaded=()
load() {
  local name=$1 file dep
  for done_name in "${loaded[@]:-}"; do [ "$done_name" = "$name" ] && return; done
  file=$(find "$modules" -name "$name.ko" -o -name "${name//_/-}.ko" | head -1)
  [ -n "$file" ] || { echo "run_tier.sh: no module $name in $modules" >&2; exit 1; }
  for dep in $(tr '\0' '\n' <"$file" | sed -n 's/^depends=//p' | head -1 | tr ',' ' '); do
    load "$dep"
  done
  cp "$file" "$root/modules/$name.ko"
  echo "$name" >>"$root/modules/order"
  loaded+=("$name")
}
for m in dummy_hcd libcomposite usb_f_fs usbhid hid-generic; do load "$m"; done

# --- the firmware files and what the flash must hold after each ------------
# The device writes from address 4096 on, in pages of 128 bytes: n / 128 + 1
# of them for n bytes (an image that ends on a page boundary is followed by a
# page of zeros), the last filled with zeros; the rest of its 256 KiB stays
# erased (0xFF).
above4096() {  # above4096 IMAGE_BYTES_FROM_4096 OUT
  local n pad
  n=$(stat -c %s "$1")
  pad=$(( (n / 128 + 1) * 128 - n ))
  { cat "$1"; head -c "$pad" /dev/zero
    head -c $((256 * 1024 - 4096 - n - pad)) /dev/zero | tr '\0' '\377'; } >"$2"
}
data=$root/data
head -c $((256 * 1024)) /dev/zero | tr '\0' '\377' >"$data/erased.bin"
# The demo image by device address, as the image command writes it out.
"$flash" image "$here/../../examples/demo.hex" --output "$work/demo-image.bin" >/dev/null
cp "$here/../../examples/demo.hex" "$data/demo.hex"
tail -c +4097 "$work/demo-image.bin" >"$work/demo-app.bin"
above4096 "$work/demo-app.bin" "$data/demo-expected.bin"
# 64 KiB of random application at 0x1000, as Intel HEX by srec_cat.
head -c 65536 /dev/urandom >"$work/big-app.bin"
srec_cat "$work/big-app.bin" -binary -offset 0x1000 -o "$data/big.hex" -intel -line-length=44
above4096 "$work/big-app.bin" "$data/big-expected.bin"
# The rule with a product ID that the gadget does not have: must not apply.
sed 's/ATTRS{idProduct}=="[0-9a-f]*"/ATTRS{idProduct}=="0bad"/' "$rule" >"$data/misfit.rules"

echo "$only" >"$root/usbvm/only"
echo "$shell" >"$root/usbvm/shell"
(cd "$root" && find . | busybox cpio -o -H newc 2>/dev/null) >"$work/initramfs.cpio"

# --- the emulated bus's figures for the same image, meanwhile --------------
pages_per_second() {  # pages_per_second PACE: the 64 KiB image on the emulated bus
  local start end
  start=$(date +%s%N)
  "$flash" flash "$data/big.hex" --emulate --pace "$1" -q >/dev/null 2>&1 || { echo "-"; return; }
  end=$(date +%s%N)
  echo $(( 512 * 1000000000 / (end - start) ))
}
if [ -z "$only" ]; then
  { echo "fast $(pages_per_second fast)"; echo "window $(pages_per_second window)"; } \
    >"$work/emulated-rates" 2>/dev/null &
  bench=$!
fi

# --- the guest ---------------------------------------------------------------
console=$work/console.log
qemu=(qemu-system-x86_64 -machine q35 -cpu max -smp 2 -m 512 -nodefaults -no-reboot
      -display none -kernel "$kernel/vmlinux" -initrd "$work/initramfs.cpio"
      -append "console=ttyS0 quiet loglevel=3 panic=-1 rdinit=/init")
if [ "$shell" = 1 ]; then
  exec "${qemu[@]}" -serial mon:stdio
fi
"${qemu[@]}" -serial "file:$console" </dev/null &
qemu_pid=$!
ended=0
for _ in $(seq $((boot_limit * 10))); do
  if grep -q '^USBVM END' "$console" 2>/dev/null; then ended=1; break; fi
  kill -0 "$qemu_pid" 2>/dev/null || break
  sleep 0.1
done
# The guest powers off after its last line; it is given a moment.
for _ in $(seq 30); do kill -0 "$qemu_pid" 2>/dev/null || break; sleep 0.1; done
kill "$qemu_pid" 2>/dev/null || true
wait "$qemu_pid" 2>/dev/null || true

tr -d '\r' <"$console" >"$work/console.txt"
if [ "$ended" != 1 ]; then
  echo "run_tier.sh: the guest did not finish within ${boot_limit} s; its console so far:"
  cat "$work/console.txt"
  exit 1
fi
grep -E '^(ok|FAILED|scenario|rate|  )' "$work/console.txt" || true
if [ -n "${bench:-}" ]; then
  wait "$bench" || true
  for pace in fast window; do
    guest=$(sed -n "s/^rate $pace //p" "$work/console.txt")
    emulated=$(sed -n "s/^$pace //p" "$work/emulated-rates")
    echo "benchmark: 64 KiB image, --pace $pace: ${guest:--} pages/s on the real USB stack" \
         "(QEMU TCG), ${emulated:--} pages/s on the emulated bus"
  done
fi
passed=$(grep -c '^ok:' "$work/console.txt" || true)
failed=$(grep -c '^FAILED:' "$work/console.txt" || true)
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
