#!/bin/sh
# The libraries depend one way, bottom to top (CMakeLists.txt draws the
# order): a source file may include the headers of its own layer and of
# those below it, never one above. Prints every include that points up and
# fails with them; ends with "layers: N files, every include points down".
#
#   check-layers.sh [ROOT]     (default: the project this script is in)
set -u
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2

# The layer of a file of the project, by its path; empty for a file of no
# layer (the tests, a system header).
layer() {
    case $1 in
    platform/*) echo 0 ;;
    kbd/*) echo 1 ;;
    core/startup.* | core/main.cpp) echo 8 ;;
    core/*) echo 2 ;;
    bars/search.* | bars/pattern_guard.*) echo 3 ;;
    details/*) echo 4 ;;
    procs/*) echo 5 ;;
    users/*) echo 6 ;;
    bars/*) echo 7 ;;
    esac
}

files=0
bad=0
for f in $(find platform kbd core bars details procs users -name '*.cpp' -o -name '*.h' | sort); do
    files=$((files + 1))
    own=$(layer "$f")
    for inc in $(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$f"); do
        theirs=$(layer "$inc")
        if [ -n "$theirs" ] && [ "$theirs" -gt "$own" ]; then
            echo "layers: $f includes $inc, which lies above it"
            bad=$((bad + 1))
        fi
    done
done
if [ "$bad" -gt 0 ]; then
    echo "layers: $bad includes point up"
    exit 1
fi
echo "layers: $files files, every include points down"
