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
[ -x "$app" ] || scripts/build.sh >/dev/null

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app_pid $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$app" &
app_pid=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Tarsino' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "the window did not open" >&2
    exit 1
fi
sleep 0.5
pages=(trace-route host-detection ping about)
for i in "${!pages[@]}"; do
    import -window "$window" "$out/${pages[$i]}.png"
    # Ctrl+Tab moves the tab strip to the next page.
    xdotool windowfocus --sync "$window" key --window "$window" ctrl+Tab
    sleep 0.3
done
echo "saved: ${pages[*]/%/.png} in $out"
