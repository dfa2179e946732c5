#!/usr/bin/env bash
# Installs everything Tavlio needs to build, run and test on Debian, and
# prepares the project's Wine prefix in the build tree. Safe to run again:
# when everything is in place it only checks, in a second or two.
# Usage: scripts/setup.sh [build tree]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"

packages=(
    cmake make
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
    wine wine64 xvfb xauth x11-utils xdotool imagemagick
    libstb-dev doctest-dev
    chromium
)
command -v node >/dev/null && command -v npm >/dev/null || packages+=(nodejs npm)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The browser tests' packages, exactly as the lock file pins them.
stamp="$here/node_modules/.tavlio-lock"
if [ -f "$here/package-lock.json" ] && ! cmp -s "$here/package-lock.json" "$stamp" 2>/dev/null; then
    echo "setup: installing the npm packages of package-lock.json"
    (cd "$here" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$here/package-lock.json" "$stamp"
fi

mkdir -p "$build"
export TAVLIO_BUILD="$(cd "$build" && pwd)"
. "$here/scripts/wine-env.sh"
tavlio_prepare_prefix
