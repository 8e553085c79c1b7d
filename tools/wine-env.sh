#!/usr/bin/env bash
# Sourced: a private X display and Wine prefix for this run, torn down on exit.
# Sets DISPLAY, WINEPREFIX and the Wine variables; call wine_env_up first.

wine_env_up() {
    local root="$1"   # a folder of this run
    mkdir -p "$root"
    export WINEPREFIX="$root/prefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=win64
    # A free display number, chosen by Xvfb itself.
    local fifo="$root/display"
    rm -f "$fifo"; mkfifo "$fifo"
    Xvfb -displayfd 7 -screen 0 1280x1024x24 -nolisten tcp 7>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    local n=""
    read -r -t 20 n <"$fifo" || true
    rm -f "$fifo"
    if [ -z "$n" ]; then echo "Xvfb did not start" >&2; return 1; fi
    export DISPLAY=":$n"
    # TARVOLO_PREFIX_TEMPLATE (optional): a new prefix is a copy of it when it is
    # there (seconds sooner than wineboot), and is copied to it when it is not,
    # before any program has run in it.
    local template="${TARVOLO_PREFIX_TEMPLATE:-}"
    if [ ! -f "$WINEPREFIX/system.reg" ] && [ -n "$template" ] && [ -f "$template/system.reg" ]; then
        rm -rf "$WINEPREFIX"
        cp -a "$template" "$WINEPREFIX" || rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >/dev/null 2>&1
        # C: and Z: (the whole machine) are not fixed drives here: only the
        # drives a test makes are scanned.
        # Unmanaged windows: with no window manager on the display, Wine would
        # otherwise wait two seconds for one each time a window is hidden.
        printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\n"c:"="network"\n"z:"="network"\n\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n' \
            >"$root/drives.reg"
        wine regedit "$root/drives.reg" >/dev/null 2>&1
        wineserver -w
        if [ -n "$template" ] && [ ! -e "$template" ]; then
            cp -a "$WINEPREFIX" "$template.$$" && mv "$template.$$" "$template"
        fi
    fi
    # One wine server for the whole run: started anew for every test program it
    # would cost seconds each time.
    wineserver -p
    # Starts the session's own services now, before any test is timed.
    wine cmd.exe /c exit >/dev/null 2>&1
    trap wine_env_down EXIT
}

wine_env_down() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" >/dev/null 2>&1 || true
}
