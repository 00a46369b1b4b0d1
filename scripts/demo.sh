#!/bin/sh
# make demo: vigil on this very machine, with a few logins of its own to
# show. vigil runs in a private PID and mount namespace, as the end-to-end
# tests run it: stand-in login processes (a console, an ssh, a telnet and a
# terminal-emulator login), each with a command in the foreground of a
# terminal of its own and a small process tree, and a login file that names
# them, mounted over /run only inside the namespace. Quitting vigil ends
# the namespace and every process in it; the files go with the script.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
# The build to take vigil from; the tests run the demo from theirs.
build=${VIGIL_DEMO_BUILD:-$root/build}
vigil=$build/vigil
standin=$build/tests/vigil_standin
for f in "$vigil" "$standin"; do
    [ -x "$f" ] || { echo "vigil demo: $f is missing; run make demo" >&2; exit 1; }
done
if ! unshare -pfm --mount-proc --propagation private true 2>/dev/null; then
    echo "vigil demo: this machine refuses private PID and mount namespaces (unshare -pfm)" >&2
    exit 1
fi
dir=$(mktemp -d /tmp/vigil-demo.XXXXXX)
trap 'rm -rf "$dir"' EXIT
trap 'exit 130' INT TERM HUP
unshare -pfm --mount-proc --propagation private \
    sh "$root/scripts/demo-logins.sh" "$dir" "$vigil" "$standin"
