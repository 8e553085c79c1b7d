#!/usr/bin/env bash
# Runs a command on a screen scaled to DPI: a Wine prefix and an X display of
# their own under ROOT (the prefix is kept for the next run), LogPixels set,
# the prefix's wine server started anew so every program sees it.
#   tests/e2e/at-dpi.sh DPI ROOT command...
set -uo pipefail
dpi="${1:?DPI}"
root="${2:?ROOT}"
shift 2
source "$(dirname "$0")/../../tools/wine-env.sh"
wine_env_up "$root" || exit 1
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wineserver -k
wineserver -w
wineserver -p
wine cmd.exe /c exit >/dev/null 2>&1
export TARVOLO_TEST_ROOT="$root/work" TARVOLO_EXPECT_DPI="$dpi"
mkdir -p "$TARVOLO_TEST_ROOT"
"$@"
