#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over the window-free code
# (index/, store/, model/, delivery/core/), two files at a time, against the
# native build's compile_commands.json. Prints every finding; exits non-zero
# when there is one.
#   tools/tidy-check.sh [BUILD_DIR]      (default build/native)
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/native}"
tidy=$(command -v clang-tidy-14 || command -v clang-tidy) || { echo "clang-tidy is not installed"; exit 1; }
if [ ! -f "$build/compile_commands.json" ]; then
    echo "No $build/compile_commands.json: configure the native build first"
    exit 1
fi
out=$(mktemp)
printf '%s\n' index/*.cpp store/*.cpp model/*.cpp delivery/core/*.cpp |
    xargs -P2 -n1 "$tidy" -p "$build" --quiet >"$out" 2>&1
rc=$?
# clang-tidy counts the warnings it left out of system headers on every file: not findings.
grep -v ' warnings\? generated\.$' "$out"
rm -f "$out"
if [ "$rc" -ne 0 ]; then
    echo "clang-tidy found the faults above"
    exit 1
fi
echo "clang-tidy: no findings"
