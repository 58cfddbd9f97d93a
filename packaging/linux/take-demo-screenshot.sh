#!/bin/sh
# Takes the README's screenshots: zentrel-loader-demo under Xvfb downloading
# examples/demo.mvx, once with the success box up and once after it closed.
#   packaging/linux/take-demo-screenshot.sh BUILD_DIR [OUT_DIR]
# Needs xvfb-run, xdotool and ImageMagick's import.
set -eu
build=${1:?usage: $0 BUILD_DIR [OUT_DIR]}
root=$(cd "$(dirname "$0")/../.." && pwd)
outdir=${2:-$root/docs/images}
demo=$(find "$build" -type f -name zentrel-loader-demo -perm -u+x | head -n 1)
[ -n "$demo" ] || { echo "no zentrel-loader-demo under $build" >&2; exit 1; }
image=$root/examples/demo.mvx

if [ -z "${ZENTREL_IN_XVFB:-}" ]; then
  ZENTREL_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$build" "$outdir"
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
echo "wrote $outdir/zentrel-loader-demo.png and zentrel-loader-demo-success.png"
