# Sourced by the scripts that run Windows programs: the project's own Wine
# prefix under the build tree, never the user's default one.
# Expects TAVLIO_BUILD to name the build tree.
export WINEPREFIX="$TAVLIO_BUILD/wineprefix"
export WINEARCH=win64
export WINELOADER=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver
# Say which DLL failed to load, nothing else; no Mono/Gecko installers.
export WINEDEBUG="${WINEDEBUG:--all,err+module}"
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

# Creates and tunes the prefix once: no crash dialog (a crash fails at once
# instead of waiting for a click). A virtual display has no window manager,
# so Wine is told not to wait for one; pass "desktop" for a prefix whose
# windows a real desktop's window manager handles as usual.
tavlio_prepare_prefix() {
    [ -f "$WINEPREFIX/.tavlio-ready" ] && return 0
    mkdir -p "$WINEPREFIX"
    DISPLAY= "$WINELOADER" wineboot --init >/dev/null 2>&1
    "$WINELOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    if [ "${1:-}" != desktop ]; then
        "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    fi
    "$WINESERVER" -w
    touch "$WINEPREFIX/.tavlio-ready"
}
