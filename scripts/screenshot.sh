#!/usr/bin/env bash
# Starts the built application under Xvfb and saves a PNG of each page:
#   scripts/screenshot.sh [output-folder]   (default: docs/screenshots)
# Exits non-zero when the window does not open.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots}
mkdir -p "$out"
app=${TARSINO_BINARY:-build/src/app/tarsino}
scripts/install-deps.sh screenshot
[ -x "$app" ] || scripts/build.sh tarsino >/dev/null

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app_pid $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$app" &
app_pid=$!
window=""
for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name '^Tarsino' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "the window did not open" >&2
    exit 1
fi
sleep 0.5
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.2; }
# Pages in tab order, chosen by clicking their tabs. Trace and ping go to
# loopback only; host detection sends multicast, so "Rileva" is clicked only
# on the client side of the hosts lab (tests/lab/hosts_lab.sh exec ...).
pages=(trace-route host-detection ping about)
tabs=(40 112 168 236)
for i in "${!pages[@]}"; do
    click "${tabs[$i]}" 12
    case "${pages[$i]}" in
        trace-route) click 190 58; xdotool type --delay 20 127.0.0.1; click 340 60; sleep 1 ;;
        host-detection) [ -n "${TARSINO_LAB_DIR:-}" ] && { click 136 84; sleep 3; } ;;
        ping) click 240 73; xdotool key ctrl+a type --delay 20 127.0.0.1; click 360 308; sleep 1 ;;
    esac
    import -window "$window" "$out/${pages[$i]}.png"
done
echo "saved: ${pages[*]/%/.png} in $out"
