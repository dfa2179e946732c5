#!/usr/bin/env bash
# Installs what is missing, builds Tavlio with the engine stand-in and runs it.
# With a desktop (DISPLAY set) Tavlio opens there. Without one it runs on a
# virtual display: once the main window shows (and the splash has gone) a
# screenshot is saved and its path printed, then the window is closed.
# Usage: scripts/run.sh [build tree]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"

"$here/scripts/setup.sh" "$build"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target Tavlio WebView2Loader >/dev/null

export TAVLIO_BUILD="$(cd "$build" && pwd)"
. "$here/scripts/wine-env.sh"
program="$TAVLIO_BUILD/bin/Tavlio.exe"

if [ -n "${DISPLAY:-}" ]; then
    export WINEPREFIX="$TAVLIO_BUILD/wineprefix-desktop"
    tavlio_prepare_prefix desktop
    exec "$WINELOADER" "$program"
fi

session="$TAVLIO_BUILD/run-session"
rm -rf "$session"
mkdir -p "$session"
cleanup() {
    "$WINESERVER" -k 2>/dev/null || true
    [ -f "$session/xvfb.pid" ] && kill "$(cat "$session/xvfb.pid")" 2>/dev/null || true
}
trap cleanup EXIT

exec 3>"$session/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp </dev/null >"$session/xvfb.log" 2>&1 &
echo $! >"$session/xvfb.pid"
exec 3>&-
for _ in $(seq 100); do [ -s "$session/displayfd" ] && break; sleep 0.05; done
export DISPLAY=":$(tr -d '[:space:]' <"$session/displayfd")"

"$WINELOADER" "$program" </dev/null >"$session/tavlio.log" 2>&1 &
tavlio=$!

# The main window shows once all sixteen panes exist; the splash above it
# hides about two seconds after start-up.
for _ in $(seq 300); do
    xdotool search --onlyvisible --name '^IA$' >/dev/null 2>&1 && break
    sleep 0.1
done
xdotool search --onlyvisible --name '^IA$' >/dev/null 2>&1 || { echo "Tavlio's window did not appear" >&2; exit 1; }
for _ in $(seq 100); do
    xdotool search --onlyvisible --name '^Splash$' >/dev/null 2>&1 || break
    sleep 0.1
done
sleep 0.5

screenshot="$TAVLIO_BUILD/screenshot.png"
import -window root "$screenshot"
echo "$screenshot"

"$WINELOADER" taskkill /im Tavlio.exe >/dev/null 2>&1 || true
for _ in $(seq 100); do
    kill -0 "$tavlio" 2>/dev/null || break
    sleep 0.1
done
wait "$tavlio" 2>/dev/null || true
