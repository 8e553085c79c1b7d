#!/usr/bin/env bash
# Checks that every C and C++ file of the project is laid out as .clang-format
# says; prints the files that differ and exits non-zero when there is one.
# `tools/format-check.sh --fix` formats them in place instead.
set -uo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format) || { echo "clang-format is not installed"; exit 1; }
fix=0
[ "${1:-}" = "--fix" ] && fix=1
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    files=$(git ls-files --cached --others --exclude-standard -- '*.c' '*.cpp' '*.h')
else
    files=$(find . -path ./build -prune -o -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print)
fi
if [ "$fix" -eq 1 ]; then
    echo "$files" | xargs "$format" -i
    exit 0
fi
# One run over every file; it names each file that differs at its first difference.
differing=$(echo "$files" | xargs "$format" --dry-run --Werror 2>&1 |
    sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | sort -u)
differ=0
for f in $differing; do
    echo "differs from .clang-format: $f"
    differ=1
done
if [ "$differ" -ne 0 ]; then
    echo "Run tools/format-check.sh --fix (clang-format $("$format" --version | grep -o '[0-9][0-9.]*' | head -1)) and look at the result"
    exit 1
fi
echo "Every file is formatted"
