#!/usr/bin/env bash
# Checks the layout of every source file and the direction of its includes,
# builds everything and runs every test: the unit tests natively (with
# AddressSanitizer and UBSan), clang-tidy over the window-free code, the same
# tests and the Win32 tests under Wine, the end-to-end tests of the real
# program under Wine and Xvfb, a short run of every fuzz target, and the
# release zip unpacked into a fresh Wine prefix.
# Exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")"
here=$(pwd)
tools/setup.sh || exit 1

fail=0
# Each step's header; the one before is timed, to see where a run's time goes.
step_started=$SECONDS
step() {
    [ -n "${step_name:-}" ] && echo "--- $step_name: $((SECONDS - step_started)) s"
    step_name="$*" step_started=$SECONDS
    echo
    echo "=== $*"
}

step "Format (every C and C++ file as .clang-format lays it out)"
tools/format-check.sh || fail=1

step "Layers (includes point down only)"
tools/layers-check.sh || fail=1

step "Native build"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >/dev/null && cmake --build build/native -j2 || exit 1

step "Windows build"
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null &&
    cmake --build build/win -j2 || exit 1

if [ -f tests/fuzz/run-fuzzers.sh ]; then
    step "Fuzz build"
    CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVOLO_FUZZ=ON >/dev/null &&
        cmake --build build/fuzz -j2 || exit 1
fi

run=$(mktemp -d /tmp/tarvolo-test.XXXXXX)
source tools/wine-env.sh
# The prefix as wineboot leaves it, kept so that the other prefixes of this run
# (the DPI tests', the release zip's) are copies of it, not made anew.
export TARVOLO_PREFIX_TEMPLATE="$run/template"
wine_env_up "$run" || exit 1
export TARVOLO_TEST_ROOT="$run/work"
mkdir -p "$TARVOLO_TEST_ROOT"

step "Unit tests (native)"
(cd build/native && ctest --output-on-failure -j2) || fail=1

step "Static analysis (clang-tidy over the window-free code)"
started=$SECONDS
tools/tidy-check.sh build/native || fail=1
echo "clang-tidy took $((SECONDS - started)) s"

step "Unit and Win32 tests (Wine)"
(cd build/win && ctest --output-on-failure -j2 -L win) || fail=1

step "End-to-end tests (Wine)"
(cd build/win && ctest --output-on-failure -L e2e) || fail=1

if [ -f tests/fuzz/run-fuzzers.sh ]; then
    step "Fuzz targets (short run)"
    # Two at a time, one on each core: each still runs its whole time.
    FUZZ_JOBS=2 tests/fuzz/run-fuzzers.sh build/fuzz 8 || fail=1
fi

wine_env_down
trap 'rm -rf "$run"' EXIT

# Last, in a Wine prefix and display of its own (a copy of the untouched template),
# removed after.
# The README's pictures of the windows (docs/main-DPI.png, docs/options-DPI.png)
# are not made here, since a test run must not change the files it checks: after
# a change to the main window or Options, make them again before a release with
#   tools/dpi-screenshots.sh NAME
# (the DPI end-to-end tests at 96, 144 and 192 DPI, about 35 s).
step "Release zip (fresh Wine prefix)"
started=$SECONDS
tools/package-check.sh build/win || fail=1
echo "Release zip check took $((SECONDS - started)) s"
rm -rf "$run"
trap - EXIT

step "Summary"
echo "The whole run: $SECONDS s"
if [ "$fail" -ne 0 ]; then echo "Some tests FAILED"; exit 1; fi
echo "All tests passed"
