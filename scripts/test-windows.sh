#!/usr/bin/env bash
# Cross-builds the Windows programs and tests with MinGW-w64 and runs every
# test under Wine (64-bit) inside a virtual X server: the engine's unit tests
# built for Windows, the HID platform against Wine's own HID devices, the GUI
# tests, and the programs against the hidraw test device through Wine's HID
# stack.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/mingw
export WINEPREFIX="$PWD/$build/wine-prefix"
export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ "${1:-}" = "--under-x" ]; then
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i
    # Windows on a virtual desktop need no window manager: shown, hidden
    # and destroyed at once instead of waiting for one that never answers.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
    wineserver -w
  fi
  if ! grep -q '"Enable SDL"=dword:00000000' "$WINEPREFIX/system.reg"; then
    # winebus then reads hidraw nodes through udev: the hidraw test device.
    wine reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v 'Enable SDL' \
      /t REG_DWORD /d 0 /f
    wineserver -w
  fi
  status=0
  ctest --test-dir "$build" --output-on-failure --timeout 300 || status=$?
  wineserver -k || true
  exit "$status"
fi

# The hidraw test device is a Linux program: from the Linux build.
cmake --preset default >/dev/null
cmake --build --preset default --target zentrel-hidraw-device

# Tests on, since a tree that scripts/package.sh configured first has them off.
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake -DZENTREL_BUILD_TESTS=ON \
  -DZENTREL_HIDRAW_DEVICE="$PWD/build/default/tests/hidraw/zentrel-hidraw-device" \
  -DCMAKE_BUILD_TYPE=Release -DZENTREL_WERROR=ON >/dev/null
cmake --build "$build" -j2

# A prefix of our own (above), so nothing depends on the user's ~/.wine.
xvfb-run -a -s "-screen 0 1024x768x24" "$0" --under-x
