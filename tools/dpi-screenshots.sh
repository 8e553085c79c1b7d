#!/usr/bin/env bash
# Takes the pictures of the main window and Options at 96, 144 and 192 DPI
# for the README (docs/main-DPI.png, docs/options-DPI.png) from the DPI
# end-to-end test, each scale in a prefix and display of its own.
#   tools/dpi-screenshots.sh NAME      (NAME as for tools/dev-test.sh)
set -uo pipefail
cd "$(dirname "$0")/.."
name="${1:?usage: tools/dpi-screenshots.sh NAME}"
# The test copies each picture it takes to TARVOLO_SCREENSHOTS (its own folder
# is removed once it passes).
TARVOLO_SCREENSHOTS="$PWD/docs" TARGETS="tarvolo e2e_tests" tools/dev-test.sh "$name" -R '^Dpi' || exit 1
ls -l docs/*-96.png docs/*-144.png docs/*-192.png
