#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the build needs, only those missing.
#   install-deps.sh demo     the command line alone (scripts/demo.sh)
#   install-deps.sh package  that, the Qt GUI, MinGW and the Debian packaging
#                            tools (scripts/package.sh)
#   install-deps.sh test     all of it, plus the tests, benchmarks, fuzzing,
#                            Wine, and QEMU with Debian's kernel unpacked into
#                            build/usbvm-kernel (scripts/test.sh)
set -euo pipefail

profile=${1:-demo}
case "$profile" in
  demo|package|test) ;;
  *) echo "install-deps.sh: unknown profile '$profile' (demo, package or test)" >&2; exit 2 ;;
esac
packages=(cmake ninja-build g++ pkg-config libcli11-dev libhidapi-dev libudev-dev nlohmann-json3-dev)
if [ "$profile" = package ] || [ "$profile" = test ]; then
  # cpack -G DEB reads the programs' libraries with file and dpkg-shlibdeps;
  # groff renders the man pages (their test, check-packages.sh).
  packages+=(qt6-base-dev g++-mingw-w64-x86-64 dpkg-dev file groff-base lintian)
fi
if [ "$profile" = test ]; then
  # python3-jsonschema checks the JSON records against their schema; zsh and
  # fish run the completion scripts; QEMU, busybox and udev make the guest of
  # the real-USB-stack tier.
  packages+=(libgtest-dev libgmock-dev libbenchmark-dev
             clang libclang-rt-14-dev srecord binutils xvfb xauth
             gcc-arm-none-eabi binutils-arm-none-eabi
             wine wine64 umockdev libumockdev-dev libglib2.0-dev
             imagemagick xdotool tshark
             python3-jsonschema zsh fish
             qemu-system-x86 busybox-static udev)
fi

# The guest kernel of the real-USB-stack tier: unpacked into the build tree,
# never installed into the machine's /boot.
fetch_kernel() {
  [ "$profile" = test ] || return 0
  "$(dirname "$0")/../tests/usbvm/fetch_kernel.sh" "$(dirname "$0")/../build/usbvm-kernel"
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  fetch_kernel
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
# tshark's package would ask whether to install dumpcap setuid: the tests
# only read captures, so no.
echo "wireshark-common wireshark-common/install-setuid boolean false" |
  $sudo debconf-set-selections
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fetch_kernel
