#!/usr/bin/env bash
# Takes the README's screenshot of the Tolvane window under a private Xvfb.
# Usage: tools/screenshot.sh [path/to/tolvane] [output.png]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/tolvane}
out=${2:-docs/screenshot.png}

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
export DISPLAY=$display XDG_RUNTIME_DIR=$work
unset QT_QPA_PLATFORM
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox --sm-disable >/dev/null 2>&1 &
sleep 1

"$bin" >/dev/null 2>&1 &
for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name '^Tolvane$' 2>/dev/null | head -n 1) && [ -n "$id" ] && break
    sleep 0.1
done
sleep 1.5
# The window with its frame: client geometry plus the frame extents.
read -r x y w h < <(xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
read -r l r t b < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ,) || true
import -window root -crop "$((w + ${l:-0} + ${r:-0}))x$((h + ${t:-0} + ${b:-0}))+$((x - ${l:-0}))+$((y - ${t:-0}))" "$out"
echo "wrote $out"
