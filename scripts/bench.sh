#!/usr/bin/env bash
# Builds and runs the benchmarks in a virtual display; prints their figures.
# Usage: scripts/bench.sh [build tree]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"

"$here/scripts/setup.sh" "$build"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target pane_startup_bench WebView2Loader >/dev/null
"$here/scripts/test-session" start "$build" >/dev/null
trap '"$here/scripts/test-session" stop "$build"' EXIT
"$here/scripts/wine-run" "$build" "$build/bin/pane_startup_bench.exe"
