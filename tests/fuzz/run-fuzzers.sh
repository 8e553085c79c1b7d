#!/usr/bin/env bash
# Runs every fuzz target of a TARVOLO_FUZZ build for a fixed time each, first
# replaying every seed of corpus/NAME (index_fuzz: corpus/index), then on a copy
# of that corpus: what a run discovers stays under BUILD_DIR and never grows the
# repository's corpus. Each target is one process on one core: FUZZ_JOBS of them
# (default 1) run at a time, each still for its whole time.
#
#   tests/fuzz/run-fuzzers.sh BUILD_DIR SECONDS_PER_TARGET [TARGET...]
#
# Prints per target, in the order of the targets, the inputs tried and, for a
# failure, the saved input and the end of the log; ends with "N passed, N
# failed". Exits non-zero when any target crashed, broke an invariant, timed out
# on an input or is missing. Extra libFuzzer flags can be passed in FUZZ_FLAGS.
set -uo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 BUILD_DIR SECONDS_PER_TARGET [TARGET...]" >&2
    exit 2
fi
build=$(cd "$1" 2>/dev/null && pwd) || { echo "no build directory $1" >&2; exit 2; }
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for src in "$here"/*_fuzz.cpp; do
        targets+=("$(basename "$src" .cpp)")
    done
fi

# One target: its report on stdout; fails when the target did.
run_target() {
    local name="$1"
    local exe="$build/$name" work="$build/fuzz-work/$name" log="$build/fuzz-work/$name.log"
    local seeds nseeds replayed rc units corpus seedfiles input
    if [ ! -x "$exe" ]; then
        echo "$name: FAILED, no executable $exe"
        return 1
    fi
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    # The seeds of index_fuzz live in corpus/index, and so on. Every seed, the kept
    # reproducers of fixed faults among them, is replayed on every run, each on its
    # own, before any fuzzing: a run that did not get through them is no pass.
    seeds="$here/corpus/${name%_fuzz}"
    nseeds=0
    replayed=0
    rc=0
    if [ -d "$seeds" ]; then
        nseeds=$(find "$seeds" -type f | wc -l)
        cp -R "$seeds/." "$work/corpus/"
    fi
    if [ "$nseeds" -gt 0 ]; then
        mapfile -d '' seedfiles < <(find "$seeds" -type f -print0 | sort -z)
        "$exe" -timeout=25 -rss_limit_mb=2048 -artifact_prefix="$work/artifacts/" "${seedfiles[@]}" \
            >"$log.seeds" 2>&1
        rc=$?
        replayed=$(grep -c '^Executed ' "$log.seeds")
        cat "$log.seeds" >"$log"
    fi
    if [ "$rc" -eq 0 ]; then
        # -timeout: one input that takes this long counts as a failure (a hang or a
        # quadratic blow-up), not as a slow machine.
        # shellcheck disable=SC2086
        "$exe" -max_total_time="$seconds" -print_final_stats=1 -timeout=25 -rss_limit_mb=2048 \
            -artifact_prefix="$work/artifacts/" ${FUZZ_FLAGS:-} "$work/corpus" >>"$log" 2>&1
        rc=$?
    fi
    units=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    corpus=$(find "$work/corpus" -type f | wc -l)
    if [ "$rc" -eq 0 ] && { [ "$nseeds" -eq 0 ] || [ "$replayed" -ne "$nseeds" ]; }; then
        echo "$name: FAILED, $replayed of $nseeds seeds replayed (seeds in $seeds)"
        return 1
    fi
    if [ "$rc" -eq 0 ]; then
        echo "$name: passed, $replayed of $nseeds seeds replayed, ${units:-0} inputs tried in ${seconds} s (corpus ${corpus} files)"
        return 0
    fi
    echo "$name: FAILED (exit $rc) after ${units:-0} inputs; log $log"
    for input in "$work"/artifacts/*; do
        [ -e "$input" ] && echo "  input kept: $input"
    done
    # The broken invariant with its detail, or the sanitizer's report.
    {
        sed -n '/invariant broken/,/ERROR: libFuzzer/p' "$log" | head -n 30
        grep -E -A6 "ERROR: (AddressSanitizer|LeakSanitizer)|runtime error|ERROR: libFuzzer: (timeout|out-of-memory)" \
            "$log" | head -n 14
    } | sed 's/^/  | /'
    return 1
}

jobs="${FUZZ_JOBS:-1}"
results="$build/fuzz-work/results"
rm -rf "$results"
mkdir -p "$results"
running=0
for name in "${targets[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
    (run_target "$name" >"$results/$name.out" 2>&1; echo $? >"$results/$name.rc") &
    running=$((running + 1))
done
wait
passed=0
failed=0
for name in "${targets[@]}"; do
    cat "$results/$name.out"
    if [ "$(cat "$results/$name.rc" 2>/dev/null)" = 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
