#!/usr/bin/env bash
# Takes the README's picture: the main window with a transfer's summary box open, under a
# virtual X server with openbox. Runs a copy of the built program with two sample images
# chosen (tools/desktop/session.sh), clicks the copy button and photographs the two windows.
#
#   tools/screenshot/make-screenshot.sh [build folder] [picture]
#
# The build folder defaults to build/, the picture to docs/screenshot.png. Needs xvfb,
# openbox, xdotool, x11-utils (xprop) and imagemagick.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
picture="${2:-$root/docs/screenshot.png}"
mkdir -p "$(dirname "$picture")"
picture="$(cd "$(dirname "$picture")" && pwd)/$(basename "$picture")"

source "$root/tools/desktop/session.sh"
work="$session_work"
start_desktop
start_lumo "$build"
main="$lumo_window"

# The copy button is the first of the toolbar, at the top left of the client area, which
# fills the window's bottom 247 pixels below the menu bar.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --window "$main" 16 $((HEIGHT - 247 + 14)) click 1
dialog="$(timeout 30 xdotool search --sync --name '^Confirm$' | head -n1)"
sleep 1

# The box stands centred on the screen, over the window; moved aside, both can be read.
# Openbox places the client, so the title bars need room above.
xdotool mousemove 1000 760
xdotool windowmove --sync "$main" 20 40
xdotool windowmove --sync "$dialog" 330 180
sleep 1

# A window's frame on the screen, as left, top, width and height: the client's place,
# widened by the frame openbox draws round it.
frame() {
    local x y w h l r t b
    x=$(xwininfo -id "$1" | awk '/Absolute upper-left X/{print $NF}')
    y=$(xwininfo -id "$1" | awk '/Absolute upper-left Y/{print $NF}')
    eval "$(xdotool getwindowgeometry --shell "$1" | sed -n 's/^WIDTH=/w=/p; s/^HEIGHT=/h=/p')"
    IFS=', ' read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //')
    echo $((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))
}
read -r ax ay aw ah < <(frame "$main")
read -r bx by bw bh < <(frame "$dialog")
left=$((ax < bx ? ax : bx)); top=$((ay < by ? ay : by))
right=$((ax + aw > bx + bw ? ax + aw : bx + bw)); bottom=$((ay + ah > by + bh ? ay + ah : by + bh))

# The two frames, the box over the window, on a plain ground cut to their size, in a small
# palette.
import -window root "$work/screen.png"
convert -size "$((right - left))x$((bottom - top))" xc:'#e8e8e8' \
    \( "$work/screen.png" -crop "${aw}x${ah}+$ax+$ay" +repage \) -geometry "+$((ax - left))+$((ay - top))" -composite \
    \( "$work/screen.png" -crop "${bw}x${bh}+$bx+$by" +repage \) -geometry "+$((bx - left))+$((by - top))" -composite \
    -strip +dither -colors 32 -define png:compression-level=9 "PNG8:$picture"
echo "$picture: $(stat -c %s "$picture") bytes"
