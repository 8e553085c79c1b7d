#!/usr/bin/env bash
# Takes the pictures of the main window and Options at 96, 144 and 192 DPI
# for the README (docs/main-DPI.png, docs/options-DPI.png) from the DPI
# end-to-end test, each scale in a prefix and display of its own.
#   tools/dpi-screenshots.sh NAME      (NAME as for tools/dev-test.sh)
set -uo pipefail
cd "$(dirname "$0")/.."
name="${1:?usage: tools/dpi-screenshots.sh NAME}"
build="build/win-$name"
TARGETS="tarvolo e2e_tests" tools/dev-test.sh "$name" -R '^Dpi' || exit 1
test_dir="Dpi.MainWindowAndOptionsAtTheScreensScale"
for dpi in 96 144 192; do
    if [ "$dpi" = 96 ]; then from="/tmp/tarvolo-dev-$name/work/$test_dir"; else from="$build/dpi-$dpi/work/$test_dir"; fi
    for window in main options; do
        cp "$from/$window-$dpi.png" "docs/$window-$dpi.png" || exit 1
    done
done
ls -l docs/*-96.png docs/*-144.png docs/*-192.png
