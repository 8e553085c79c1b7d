#!/usr/bin/env bash
# Checks that includes point down the layers only: the window-free core
# (index/, store/, model/, delivery/core/) includes nothing else and no
# window-system header; platform/ includes only itself and the system; the
# adapters/ include the core, platform/ and the program's resource ids. Prints
# every include that points the wrong way; exits non-zero when there is one.
set -uo pipefail
cd "$(dirname "$0")/.."
bad=0
# check FOLDER ALLOWED-REGEX: every quoted include of FOLDER's files must match.
check() {
    local folder="$1" allowed="$2"
    while IFS= read -r hit; do
        echo "wrong-way include: $hit"
        bad=1
    done < <(grep -rn --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$folder" |
        grep -Ev "#[[:space:]]*include[[:space:]]*\"($allowed)")
}
core='index/|store/|model/|delivery/core/'
for f in index store model delivery/core; do check "$f" "$core"; done
check platform 'platform/'
check adapters "adapters/|platform/|res/resource\.h|$core"
# The core builds natively: no window-system header, whatever the quotes.
while IFS= read -r hit; do
    echo "window-system header in the window-free core: $hit"
    bad=1
done < <(grep -rnE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(windows|windowsx|commctrl|shlobj|objbase)\.h>' \
    index store model delivery/core)
if [ "$bad" -ne 0 ]; then
    echo "An include points up or across the layers (see the README's layout)"
    exit 1
fi
echo "Includes point down the layers"
