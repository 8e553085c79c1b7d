#!/usr/bin/env bash
# Builds the program and starts it under Wine.
#   ./run.sh                      on $DISPLAY, or on a private Xvfb when there is none
#   ./run.sh --screenshot FILE    on a private Xvfb: waits for the main window, saves a PNG, ends it
#   ./run.sh -- ARGS              passes ARGS to the program (./run.sh -- MIN starts it hidden)
set -euo pipefail
cd "$(dirname "$0")"
shot=""
args=()
while (($#)); do
    case "$1" in
    --screenshot) shot="$(realpath -m "$2")"; shift 2 ;;
    --) shift; args=("$@"); break ;;
    *) echo "usage: ./run.sh [--screenshot FILE] [-- program arguments]" >&2; exit 2 ;;
    esac
done
tools/setup.sh
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j2 --target tarvolo
exe="$(pwd)/build/win/tarvolo.exe"

if [ -z "$shot" ] && [ -n "${DISPLAY:-}" ]; then
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    exec wine "$exe" "${args[@]}"
fi

# A private display, prefix and program folder.
run=$(mktemp -d /tmp/tarvolo-run.XXXXXX)
source tools/wine-env.sh
wine_env_up "$run"
mkdir -p "$run/program" "$run/drive"
cp "$exe" "$run/program/"
# One small fixed drive of its own, so the tree has something to show.
mkdir -p "$run/drive/Program Files/Common Files" "$run/drive/Program Files (x86)" "$run/drive/Users/Public" \
         "$run/drive/Windows/System32/drivers" "$run/drive/Windows/Temp"
ln -sfn "$run/drive" "$WINEPREFIX/dosdevices/d:"
# The session's mount manager reads the drive links when it starts, and it
# started with the session above: start the session again so that D: is listed.
wineserver -k >/dev/null 2>&1 || true
wineserver -w
wineserver -p
wine cmd.exe /c exit >/dev/null 2>&1
wine "$run/program/tarvolo.exe" "${args[@]}" &
prog=$!
if [ -z "$shot" ]; then
    echo "Tarvolo runs on the private display $DISPLAY; stop it with Ctrl+C."
    wait "$prog"
    exit 0
fi
for _ in $(seq 1 100); do
    if xwininfo -root -tree 2>/dev/null | grep -q '"Tarvolo v1.0"'; then break; fi
    sleep 0.2
done
if ! xwininfo -root -tree 2>/dev/null | grep -q '"Tarvolo v1.0"'; then
    echo "The main window did not appear" >&2
    exit 1
fi
sleep 1  # let the first paint finish
import -window root "$shot"
echo "Saved $shot"
