#!/usr/bin/env bash
# Times a transfer through the real window, from outside, on a virtual desktop
# (tools/desktop/session.sh): a copy of the built program with two 600 KiB sample images,
# the donor as Микас 10.3+, 11.4 mode 3 and the target as mode 4 (the 27018-byte region).
#
#   tools/measure/transfer-latency.sh [build folder] [runs]
#
# Each run picks a fresh target, clicks the copy button and times the summary box's
# appearance (the cost of showing a box, as a baseline), then presses Return on the box's
# Yes and times the result box's appearance; the target's bytes are then checked. A second
# set of runs does the same while _NET_WM_PING goes to the main window every 2 ms, and
# reports the longest wait for an answer (the longest stall of the event loop); the same
# pings against the idle window, and while the summary box is answered No, are the
# baselines. Times are milliseconds from the input to the result box's creation, mapping
# and first Expose (tools/measure/x-latency.c).
#
# The build folder defaults to build/, runs to 7. Needs xvfb, openbox, xdotool, x11-utils
# (xwininfo), libx11-dev, libxtst-dev and a C compiler.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
runs="${2:-7}"

source "$root/tools/desktop/session.sh"
work="$session_work"
cc -O2 -o "$work/x-latency" "$root/tools/measure/x-latency.c" -lX11 -lXtst
latency="$work/x-latency"

image_size=$((600 * 1024))
donor_first=$((0x70000)) target_first=$((0x80000)) count=27018
images="$work/Прошивки"
mkdir -p "$images"
head -c "$image_size" /dev/urandom >"$images/donor.bin"
head -c "$image_size" /dev/urandom >"$images/target.bin"
printf '[SYSTEM]\r\nFileIn=Прошивки/donor.bin\r\nFileOut=Прошивки/target.bin\r\nRB13=1\r\nRB16=1\r\n' >"$work/lumo.ini"
cp "$build/ui/lumo" "$work/lumo"

start_desktop
(cd "$work" && LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb exec ./lumo) >"$work/lumo.log" 2>&1 &
session_pids+=($!)
main="$(timeout 30 xdotool search --sync --name '^Lumo v2\.2$' | head -n1)"
sleep 1
# The copy button is the first of the toolbar, at the top left of the client area, which
# fills the window's bottom 247 pixels below the menu bar. xdotool gives the window's size,
# xwininfo its place on the screen.
eval "$(xdotool getwindowgeometry --shell "$main" | grep '^HEIGHT=')"
button_x=$(($(xwininfo -id "$main" | awk '/Absolute upper-left X/{print $NF}') + 16))
button_y=$(($(xwininfo -id "$main" | awk '/Absolute upper-left Y/{print $NF}') + HEIGHT - 247 + 14))

# The target holds the donor's region and, everywhere else, its own old bytes.
check_target() {
    python3 - "$images/donor.bin" "$images/target.bin" "$work/target.old" <<EOF
import sys
donor, target, old = (open(p, 'rb').read() for p in sys.argv[1:])
region = donor[$donor_first:$donor_first + $count]
expected = old[:$target_first] + region + old[$target_first + $count:]
sys.exit(0 if target == expected else 'the target does not hold the copied region')
EOF
}

# One run: prints the summary box's and then the result box's timings on one line.
# $1 is the window to ping (0 for none).
run_once() {
    head -c "$image_size" /dev/urandom >"$images/target.bin"
    cp "$images/target.bin" "$work/target.old"
    local summary result
    summary="$("$latency" click "$button_x" "$button_y" Confirm 0 0 10000)"
    sleep 0.5
    result="$("$latency" key Return lumo "$1" 2 20000)"
    check_target
    echo "$(sed 's/\([a-z_]*\)=/summary_\1=/g' <<<"${summary%% window=*}") $result"
    sleep 0.3
    xdotool key Return
    sleep 0.5
}

# The same box answered No with Esc, while pinging: the stall of closing a box, without the
# transfer.
run_declined() {
    "$latency" click "$button_x" "$button_y" Confirm 0 0 10000 >/dev/null
    sleep 0.5
    "$latency" key Escape - "$main" 2 150 | grep '^after'
    sleep 0.5
}

# The median of the numbers on standard input.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# The values of the field named $1 in the lines on standard input.
field() { tr ' ' '\n' | grep "^$1=" | cut -d= -f2; }

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
: >"$work/plain" >"$work/pinged" >"$work/declined"
for ((i = 1; i <= runs; i++)); do run_once 0 | tee -a "$work/plain"; done
echo "idle window: $("$latency" idle 3000 "$main" 2)"
for ((i = 1; i <= runs; i++)); do run_once "$main" | tee -a "$work/pinged"; done
for ((i = 1; i <= runs; i++)); do run_declined | tee -a "$work/declined"; done
echo "idle window: $("$latency" idle 3000 "$main" 2)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

echo "median over $runs runs without pings: summary box mapped $(field summary_mapped_ms <"$work/plain" | median) ms;" \
    "result box created $(field created_ms <"$work/plain" | median) ms, mapped $(field mapped_ms <"$work/plain" | median) ms," \
    "exposed $(field exposed_ms <"$work/plain" | median) ms"
echo "with pings: result box mapped median $(field mapped_ms <"$work/pinged" | median) ms;" \
    "longest wait for a ping during the transfer $(field during_max_ms <"$work/pinged" | sort -g | tail -n1) ms," \
    "before it $(field before_max_ms <"$work/pinged" | sort -g | tail -n1) ms;" \
    "after a No $(field after_max_ms <"$work/declined" | sort -g | tail -n1) ms"
