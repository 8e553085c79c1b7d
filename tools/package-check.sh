#!/usr/bin/env bash
# Checks the release zip as a user gets it: builds the package, unpacks it into
# a fresh Wine prefix of its own (C:\Tarvolo) and runs the package tests there:
# the files and the version, the program started from the unpacked folder, its
# window after the first scan, and Help opening the help beside it. The prefix
# and the display are removed afterwards.
#   tools/package-check.sh [BUILD_DIR]      BUILD_DIR: a configured Windows build, build/win by default
set -uo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)
build="${1:-build/win}"
case "$build" in /*) ;; *) build="$here/$build" ;; esac

if ! cmake --build "$build" --target package >"$build/package.log" 2>&1; then
    cat "$build/package.log"
    echo "package-check: cmake --build $build --target package failed" >&2
    exit 1
fi
name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
zip="$build/$name.zip"
if [ -z "$name" ] || [ ! -f "$zip" ]; then
    echo "package-check: no zip '$zip' after the package build" >&2
    exit 1
fi
echo "package-check: $zip"
cmake -E tar tf "$zip"

root=$(mktemp -d /tmp/tarvolo-package.XXXXXX)
source tools/wine-env.sh
cleanup() { wine_env_down; rm -rf "$root"; }
if ! wine_env_up "$root"; then
    rm -rf "$root"
    exit 1
fi
trap cleanup EXIT
if ! (cd "$WINEPREFIX/drive_c" && cmake -E tar xf "$zip") || [ ! -f "$WINEPREFIX/drive_c/Tarvolo/tarvolo.exe" ]; then
    echo "package-check: the zip did not unpack into C:\\Tarvolo" >&2
    exit 1
fi
export TARVOLO_TEST_ROOT="$root/work" TARVOLO_PACKAGE_DIR='C:\Tarvolo'
mkdir -p "$TARVOLO_TEST_ROOT"
timeout 300 wine "$build/package_tests.exe"
status=$?
if [ "$status" -ne 0 ]; then echo "package-check: the package tests failed (exit $status)" >&2; fi
exit "$status"
