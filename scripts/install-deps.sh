#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the build needs, only those missing.
#   install-deps.sh demo   the Linux build (CLI, Qt GUI, hidapi)
#   install-deps.sh package  that, MinGW and the Debian packaging tools
#   install-deps.sh test   all of it, plus test tools, fuzzing and Wine
set -euo pipefail

profile=${1:-demo}
packages=(cmake ninja-build g++ pkg-config libcli11-dev libhidapi-dev libudev-dev qt6-base-dev nlohmann-json3-dev
          libgtest-dev libgmock-dev libbenchmark-dev)
if [ "$profile" = package ] || [ "$profile" = test ]; then
  # cpack -G DEB reads the programs' libraries with file and dpkg-shlibdeps.
  packages+=(g++-mingw-w64-x86-64 dpkg-dev file help2man lintian)
fi
if [ "$profile" = test ]; then
  packages+=(clang libclang-rt-14-dev srecord binutils xvfb xauth
             wine wine64 umockdev libumockdev-dev libglib2.0-dev
             imagemagick xdotool tshark)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
# tshark's package would ask whether to install dumpcap setuid: the tests
# only read captures, so no.
echo "wireshark-common wireshark-common/install-setuid boolean false" |
  $sudo debconf-set-selections
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
