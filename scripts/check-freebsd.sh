#!/usr/bin/env bash
# Proves that a FreeBSD build of vigil compiles, on a machine that is not
# FreeBSD: every unit that build compiles is compiled with clang for
# x86_64-unknown-freebsd14.0 against the FreeBSD sysroot's headers, with the
# project's warning flags as errors, syntax only (the sysroot has no
# libraries, so nothing is linked).
#
# The units: every .cpp of the shared folders (each top-level folder holding
# sources, other than platform/, tests/, bench/ and fuzz/; core/main.cpp is
# one of them), of platform/common/ and of platform/freebsd/. Each is
# compiled against the sysroot's ncurses 6.4 headers and, when it includes
# any curses header, again against FreeBSD 12's own ncurses 5.9 headers (a
# unit that includes none is the same text under both, and one compile
# proves it). The last line counts units, and a unit counts as compiling
# only when every compile of it passes:
#
#   freebsd: N/M units compile
#
# Any unit that fails is named, with the compiler's first complaints, and
# the script fails. Without the sysroot tarball it says
# "freebsd: skipped (no sysroot)" and succeeds.
#
# usage: scripts/check-freebsd.sh [--only] [UNIT.cpp ...]
#   UNIT.cpp   further units to compile, with the shared folders' flags
#   --only     compile only the units named
# environment:
#   VIGIL_FREEBSD_SYSROOT  the tarball (default: ../shared/freebsd/sysroot.tar.xz
#                          beside the project)
#   VIGIL_FREEBSD_DIR      where it is unpacked, once (default: build/freebsd)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
tarball=${VIGIL_FREEBSD_SYSROOT:-$root/../shared/freebsd/sysroot.tar.xz}
dir=${VIGIL_FREEBSD_DIR:-$root/build/freebsd}

only=0
extra=()
for arg in "$@"; do
    case $arg in
    --only) only=1 ;;
    /*) extra+=("$arg") ;;
    *) extra+=("$PWD/$arg") ;;
    esac
done

if [ ! -f "$tarball" ]; then
    echo "freebsd: skipped (no sysroot)"
    exit 0
fi
command -v clang++ >/dev/null || { echo "freebsd: clang++ is missing" >&2; exit 1; }

# Unpacked once; again only when the tarball is newer than the last unpack.
# The tree appears under its name in one rename, so two checks running at
# once never see half of it.
sysroot=$dir/fbsd-sysroot
stamp=$sysroot/.unpacked
if [ ! -f "$stamp" ] || [ "$tarball" -nt "$stamp" ]; then
    mkdir -p "$dir"
    tmp=$(mktemp -d "$dir/unpack.XXXXXX")
    tar -C "$tmp" -xJf "$tarball"
    touch "$tmp/fbsd-sysroot/.unpacked"
    [ -f "$stamp" ] && rm -rf "$sysroot"
    mv -T "$tmp/fbsd-sysroot" "$sysroot" 2>/dev/null || true
    rm -rf "$tmp"
    [ -f "$stamp" ] || { echo "freebsd: cannot unpack $tarball" >&2; exit 1; }
fi

# The flags CMake gives: the warning options, and the curses definitions
# that every library of the shared folders takes from vigil_curses (the
# backend does not link it).
cd "$root"
warnings=$(sed -n 's/^add_compile_options(\(-W[^)]*\))$/\1/p' CMakeLists.txt)
curses_defs=$(sed -n 's/^target_compile_definitions(vigil_curses INTERFACE \(.*\))$/\1/p' CMakeLists.txt)
if [ -z "$warnings" ] || [ -z "$curses_defs" ]; then
    echo "freebsd: cannot find the warning options or the curses definitions in CMakeLists.txt" >&2
    exit 1
fi

units=()
if [ "$only" = 0 ]; then
    for folder in */; do
        folder=${folder%/}
        case $folder in platform | tests | bench | fuzz | build | build-*) continue ;; esac
        for f in "$folder"/*.cpp; do
            [ -e "$f" ] && units+=("$f")
        done
    done
    for f in platform/common/*.cpp platform/freebsd/*.cpp; do
        [ -e "$f" ] && units+=("$f")
    done
fi
units+=("${extra[@]}")
if [ ${#units[@]} = 0 ]; then
    echo "freebsd: no units to compile" >&2
    exit 1
fi

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

# One compile of a unit against a header set (6.4 or 5.9). A failure
# leaves its messages in UNIT.SET.log; the 6.4 compile also leaves the list
# of headers the unit includes in UNIT.d.
compile_one() {
    local unit=$1 set=$2 defs=() deps=()
    local flags=(--target=x86_64-unknown-freebsd14.0 "--sysroot=$sysroot" -stdlib=libc++ -std=c++20
                 -fsyntax-only -I"$root" $warnings -Werror)
    case $unit in
    platform/*) ;;
    *) for d in $curses_defs; do defs+=("-D$d"); done ;;
    esac
    local id
    id=$logs/$(printf '%s' "$unit" | tr '/' '_')
    if [ "$set" = 5.9 ]; then
        flags+=(-isystem "$sysroot/ncurses12/usr/include")
    else
        deps=(-MD -MF "$id.d")
    fi
    clang++ "${flags[@]}" "${defs[@]}" "${deps[@]}" "$unit" >"$id.$set.log" 2>&1 && rm -f "$id.$set.log"
    return 0
}
export -f compile_one
export sysroot root warnings curses_defs logs

run() {
    xargs -0 -r -n2 -P2 bash -c 'compile_one "$1" "$2"' _
}
id_of() {
    printf '%s/%s' "$logs" "$(printf '%s' "$1" | tr '/' '_')"
}

for unit in "${units[@]}"; do
    printf '%s\0%s\0' "$unit" 6.4
done | run

# The curses headers are the ones the 5.9 set replaces. A unit that failed
# already is reported once, for its first failure.
curses_names=$(cd "$sysroot/ncurses12/usr/include" && ls | sed 's/\./\\./g' | paste -sd'|')
for unit in "${units[@]}"; do
    id=$(id_of "$unit")
    [ -f "$id.6.4.log" ] && continue
    if [ ! -f "$id.d" ] || grep -Eq "/usr/include/(ncursesw/)?($curses_names)( |\\\\|$)" "$id.d"; then
        printf '%s\0%s\0' "$unit" 5.9
    fi
done | run

good=0
for unit in "${units[@]}"; do
    ok=1
    for set in 6.4 5.9; do
        log=$(id_of "$unit").$set.log
        if [ -f "$log" ]; then
            ok=0
            echo "freebsd: $unit does not compile (ncurses $set headers):"
            head -n 20 "$log"
        fi
    done
    good=$((good + ok))
done
echo "freebsd: $good/${#units[@]} units compile"
[ "$good" = ${#units[@]} ]
