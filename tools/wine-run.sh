#!/usr/bin/env bash
# The emulator through which ctest runs the Windows build's test programs and
# benchmarks: Wine, in the prefix of the run (tools/wine-env.sh), never in the
# user's own ~/.wine. A program that fails says with which status it ended, so
# that a start Wine refused or a process that died before printing anything
# leaves a trace in the test's output.
#
# A test program that has printed GoogleTest's last summary line is done; one
# that is still running a while later hangs on its way out (a thread it never
# ended, a window of another program it waits for). A watchdog then names it
# and the prefix's other processes, ends it and fails the run: a hang is a
# fault to find, not something to wait out or to try again.
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-run: WINEPREFIX is not set; run the Windows tests through ./test.sh or tools/dev-test.sh" >&2
    exit 2
fi
grace="${TARVOLO_EXIT_GRACE:-60}"  # seconds from the summary to the program's end
log="$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")"
stuck="$log.stuck"
trap 'rm -f "$log" "$stuck"' EXIT

wine "$@" > >(tee "$log") &
pid=$!

# The Windows programs and Wine's own processes of this prefix still running,
# by their command lines.
prefix_processes() {
    local p line
    for p in /proc/[0-9]*; do
        [ "${p#/proc/}" = "$pid" ] && continue
        { tr '\0' '\n' <"$p/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX"; } 2>/dev/null || continue
        line="$({ tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | cut -c1-80)"
        case "$line" in *wine* | *.exe* | *.EXE*) printf '%s[%s]; ' "$line" "${p#/proc/}" ;; esac
    done
}

(
    summary_at=""
    while kill -0 "$pid" 2>/dev/null; do
        if [ -z "$summary_at" ] && grep -qE '^\[==========\] .* ran\.' "$log"; then summary_at=$SECONDS; fi
        if [ -n "$summary_at" ] && [ $((SECONDS - summary_at)) -ge "$grace" ]; then
            {
                echo "wine-run: '$*' (process $pid: $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | cut -c1-120))"
                echo "wine-run: printed its summary but had not ended $grace s later: it hangs on its way out and is ended"
                echo "wine-run: other processes of $WINEPREFIX: $(prefix_processes)"
            } >"$stuck"
            kill -KILL "$pid" 2>/dev/null
            exit 0
        fi
        sleep 1
    done
    # Away from ctest's output: a sleep left over once the program has ended
    # would hold that pipe open, and every test would take a second longer.
) </dev/null >/dev/null 2>&1 &
watchdog=$!

wait "$pid"
status=$?
kill "$watchdog" 2>/dev/null
wait "$watchdog" 2>/dev/null
if [ -s "$stuck" ]; then
    cat "$stuck" >&2
    exit 125
fi
if [ "$status" -ne 0 ]; then
    echo "wine-run: '$*' ended with status $status (WINEPREFIX $WINEPREFIX)" >&2
fi
exit "$status"
