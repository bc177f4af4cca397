#!/usr/bin/env bash
# Shows the main window as a screen reader finds it over AT-SPI: every control's role, name
# and states (checked, sensitive, focused), then chooses a target through the accessibility
# action of its choice and shows the choices' states again. Runs a copy of the built program
# on a virtual desktop with the accessibility bus (tools/desktop/session.sh).
#
#   tools/accessibility/read-window.sh [build folder]
#
# The build folder defaults to build/. Needs xvfb, openbox, xdotool, dbus-x11, at-spi2-core
# and python3-pyatspi.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"

source "$root/tools/desktop/session.sh"
start_desktop
start_accessibility_bus
# Qt serves AT-SPI only when asked to, or when it sees a screen reader running.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
start_lumo "$build"
sleep 1
/usr/bin/python3 "$root/tools/accessibility/read_window.py"
