#!/usr/bin/env bash
# The emulator through which ctest runs the Windows build's test programs and
# benchmarks: Wine, in the prefix of the run (tools/wine-env.sh), never in the
# user's own ~/.wine. A program that fails says with which status it ended, so
# that a start Wine refused or a process that died before printing anything
# leaves a trace in the test's output.
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-run: WINEPREFIX is not set; run the Windows tests through ./test.sh or tools/dev-test.sh" >&2
    exit 2
fi
wine "$@"
status=$?
if [ "$status" -ne 0 ]; then
    echo "wine-run: '$*' ended with status $status (WINEPREFIX $WINEPREFIX)" >&2
fi
exit "$status"
