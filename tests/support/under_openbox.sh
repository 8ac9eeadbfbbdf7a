#!/usr/bin/env bash
# Runs a window test on an X display of its own (Xvfb) managed by Debian's
# openbox, so that what the window manager makes of our windows can be read
# back from the X server:
#   under_openbox.sh PROGRAM [ARG...]
# The program sees DISPLAY and QT_QPA_PLATFORM=xcb, and no session bus. Exits with the program's
# code; 77 (skipped) when Xvfb, openbox or xprop is not installed, or 1 in CI
# (CI=true), where that is a fault of the setup.
set -u
for tool in Xvfb openbox xprop; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (Debian packages xvfb, openbox, x11-utils)" >&2
        [ "${CI:-}" = true ] && exit 1
        exit 77
    fi
done

work=$(mktemp -d)
xvfb=""
openbox=""
finish() {
    [ -n "$openbox" ] && kill "$openbox" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT

# Xvfb chooses a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"

# A configuration of the user's own must not change what is measured.
HOME="$work" XDG_CONFIG_HOME="$work/config" openbox --sm-disable >"$work/openbox.log" 2>&1 &
openbox=$!
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    kill -0 "$openbox" 2>/dev/null || break
    sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    echo "openbox did not start:" >&2
    cat "$work/openbox.log" >&2
    exit 1
fi

# No session bus on this display: without an address, D-Bus would try to
# start one for it (X11 autolaunch) and leave it behind.
DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-session-bus" QT_QPA_PLATFORM=xcb "$@"
