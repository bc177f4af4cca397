# Sourced by the tools that run Lumo on a virtual desktop: an X server of its own with
# openbox, a copy of the built program in a temporary folder, and two sample images there
# chosen in its lumo.ini. Everything started is ended, and the folder removed, on exit.
# Needs xvfb, openbox and xdotool.

session_work="$(mktemp -d)"
session_pids=()
end_session() {
    for pid in "${session_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$session_work"
}
trap end_session EXIT

# Starts the X server on a free display, with openbox, and exports DISPLAY.
start_desktop() {
    local displayfd number
    # -displayfd picks a free display and reports its number once the server is ready.
    exec {displayfd}<> <(:)
    Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -nolisten tcp >"$session_work/xvfb.log" 2>&1 &
    session_pids+=($!)
    read -r -u "$displayfd" number
    export DISPLAY=":$number"
    openbox >"$session_work/openbox.log" 2>&1 &
    session_pids+=($!)
    sleep 1
}

# Starts a session bus and the accessibility bus on it, for the AT-SPI readers.
start_accessibility_bus() {
    eval "$(dbus-launch --sh-syntax)"
    session_pids+=("$DBUS_SESSION_BUS_PID")
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$session_work/at-spi.log" 2>&1 &
    session_pids+=($!)
    sleep 1
}

# Starts a copy of the program from the build folder given, in the work folder, where it
# finds lumo.ini beside itself: donor Прошивки/donor.bin as Mikas 10.3 mode 1 (RB2), target
# Прошивки/target.bin as Mikas 10.3 mode 2 (RB12), a pair that the copy takes straight to
# its summary. Sets lumo_window to the main window's id once it is shown.
start_lumo() {
    cp "$1/ui/lumo" "$session_work/lumo"
    mkdir -p "$session_work/Прошивки"
    head -c $((0x38000)) /dev/urandom >"$session_work/Прошивки/donor.bin"
    head -c $((0x38000)) /dev/urandom >"$session_work/Прошивки/target.bin"
    printf '[SYSTEM]\r\nFileIn=Прошивки/donor.bin\r\nFileOut=Прошивки/target.bin\r\nRB2=1\r\nRB12=1\r\n' \
        >"$session_work/lumo.ini"
    (cd "$session_work" && LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb exec ./lumo) >"$session_work/lumo.log" 2>&1 &
    session_pids+=($!)
    lumo_window="$(timeout 30 xdotool search --sync --name '^Lumo v2\.2$' | head -n1)"
    sleep 1
}
