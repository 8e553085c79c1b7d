#!/usr/bin/env bash
# For working on one area: builds the Windows side in build/win-NAME and runs
# the chosen Wine tests on a private display and prefix of NAME (kept between
# runs, so only the first run pays for the prefix).
#   tools/dev-test.sh NAME [ctest arguments...]     e.g. tools/dev-test.sh h4 -L e2e -R Scan
# TARGETS="tarvolo e2e_tests" limits what is built.
set -uo pipefail
cd "$(dirname "$0")/.."
name="${1:?usage: tools/dev-test.sh NAME [ctest arguments]}"
shift
build="build/win-$name"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 1
cmake --build "$build" -j2 ${TARGETS:+--target $TARGETS} 2>&1 | grep -E 'error|warning|Error' ; test "${PIPESTATUS[0]}" -eq 0 || exit 1
root="/tmp/tarvolo-dev-$name"
source tools/wine-env.sh
wine_env_up "$root" || exit 1
export TARVOLO_TEST_ROOT="$root/work"
mkdir -p "$TARVOLO_TEST_ROOT"
(cd "$build" && ctest --output-on-failure "$@")
