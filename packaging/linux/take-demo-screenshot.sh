#!/bin/sh
# Takes the README's screenshots: zentrel-loader-demo under Xvfb downloading
# examples/demo.mvx, once with the success box up and once after it closed,
# then its settings dialog (Nastaveni -> Komunikace), whose title must be
# blank.
# With --wine, zentrel-loader-demo.exe of a MinGW build does the same
# download under Wine (its virtual desktop, in the build's own prefix) and
# the main window is taken after the success box closed.
#   packaging/linux/take-demo-screenshot.sh BUILD_DIR [OUT_DIR]
#   packaging/linux/take-demo-screenshot.sh --wine MINGW_BUILD_DIR [OUT_DIR]
# Needs xvfb-run, xdotool and ImageMagick's import (and wine for --wine).
set -eu
wine_mode=""
if [ "${1:-}" = "--wine" ]; then wine_mode=1; shift; fi
build=${1:?usage: $0 [--wine] BUILD_DIR [OUT_DIR]}
root=$(cd "$(dirname "$0")/../.." && pwd)
outdir=${2:-$root/docs/images}
image=$root/examples/demo.mvx

if [ -z "${ZENTREL_IN_XVFB:-}" ]; then
  ZENTREL_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" ${wine_mode:+--wine} \
    "$build" "$outdir"
fi

# Prints the id of the first visible window whose name matches, waiting up
# to 60 s for it.
await_window() {
  for _ in $(seq 1 120); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.5
  done
  echo "no window named '$1'" >&2
  return 1
}

if [ -n "$wine_mode" ]; then
  exe=$(find "$build" -type f -name zentrel-loader-demo.exe | head -n 1)
  [ -n "$exe" ] || { echo "no zentrel-loader-demo.exe under $build" >&2; exit 1; }
  export WINEPREFIX="$(cd "$build" && pwd)/wine-prefix" WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
    wineserver -w
  fi
  wine "$exe" &
  trap 'wineserver -k 2>/dev/null || true' EXIT
  desktop=$(await_window "Wine desktop")
  sleep 3
  # The window sits at (100, 100) of the desktop; its client area begins
  # 3 px in and below Wine's caption and menu bar, at (103, 141).
  xdotool mousemove --window "$desktop" 173 413 click 1            # OpenFile
  sleep 3
  xdotool type --delay 20 "Z:$(printf '%s' "$image" | tr / '\\')"
  xdotool key Return
  sleep 2
  xdotool mousemove --window "$desktop" 303 413 click 1            # DownLoad
  sleep 15
  xdotool key Return                                               # the success box
  sleep 2
  import -window "$desktop" -crop 620x460+70+70 +repage "$outdir/zentrel-loader-demo-wine.png"
  echo "wrote $outdir/zentrel-loader-demo-wine.png"
  exit 0
fi

demo=$(find "$build" -type f -name zentrel-loader-demo -perm -u+x | head -n 1)
[ -n "$demo" ] || { echo "no zentrel-loader-demo under $build" >&2; exit 1; }
QT_QPA_PLATFORM=xcb "$demo" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

window=$(await_window "Zentrel  0.0.4")
sleep 1
# Buttons sit at client y 260..285, below Qt's menu bar (about 20 px).
button_y=$((272 + $(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: [0-9]*x//p') - 351))
xdotool mousemove --window "$window" 70 "$button_y" click 1      # OpenFile
dialog=$(await_window "^Open$")
xdotool windowfocus --sync "$dialog"
xdotool type --delay 20 "$image"
xdotool key Return
sleep 1
xdotool mousemove --window "$window" 200 "$button_y" click 1     # DownLoad
box=$(await_window "^BOOT info$")
sleep 1
geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
import -window root -crop "${geometry}+100+100" +repage "$outdir/zentrel-loader-demo-success.png"
xdotool windowfocus --sync "$box"
xdotool key Return
sleep 1
import -window "$window" "$outdir/zentrel-loader-demo.png"

# The menu bar's second popup, then its only item.
menu_y=$(((button_y - 272) / 2))
xdotool mousemove --window "$window" 95 "$menu_y" click 1
sleep 1
xdotool mousemove --window "$window" 115 $((button_y - 272 + 12)) click 1
sleep 1
dialog=""
for id in $(xdotool search --onlyvisible --pid "$pid"); do
  [ "$id" = "$window" ] || dialog=$id
done
[ -n "$dialog" ] || { echo "the settings dialog did not open" >&2; exit 1; }
title=$(xdotool getwindowname "$dialog")
case "$title" in
  *[![:space:]]*) echo "the settings dialog's title is '$title', not blank" >&2; exit 1 ;;
esac
import -window "$dialog" "$outdir/zentrel-loader-demo-settings.png"
xdotool windowfocus --sync "$dialog"
xdotool key Return
echo "wrote zentrel-loader-demo.png, zentrel-loader-demo-success.png and" \
     "zentrel-loader-demo-settings.png in $outdir"
