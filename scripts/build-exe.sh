#!/usr/bin/env bash
# Builds Korvanta.exe with MinGW-w64.
#
#   scripts/build-exe.sh            64-bit, into build-win64/
#   scripts/build-exe.sh --x86      32-bit, into build-win32/
#   scripts/build-exe.sh --both     both
#
# Installs the cross compilers (Debian: mingw-w64) when they are missing,
# checks that the committed icons are what tools/make_icons.cpp draws, and
# prints each executable's imported DLLs and size. Fails when the executable
# would need any DLL beyond the system's own.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

usage() {
    echo "usage: $0 [--x64] [--x86] [--both]" >&2
    exit 2
}

arches=()
for arg in "$@"; do
    case "$arg" in
        --x64) arches+=(x64) ;;
        --x86) arches+=(x86) ;;
        --both) arches+=(x64 x86) ;;
        -h | --help) usage ;;
        *) usage ;;
    esac
done
[ ${#arches[@]} -gt 0 ] || arches=(x64)

# ---------------------------------------------------------------------------
# Tools

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v c++ >/dev/null || missing+=(g++)
[ -e /usr/include/zlib.h ] || missing+=(zlib1g-dev)  # the icon generator's PNG compression
for arch in "${arches[@]}"; do
    case "$arch" in
        x64) command -v x86_64-w64-mingw32-g++ >/dev/null || missing+=(mingw-w64) ;;
        x86) command -v i686-w64-mingw32-g++ >/dev/null || missing+=(mingw-w64) ;;
    esac
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

# ---------------------------------------------------------------------------
# Icons: the committed files must be exactly what the drawing program makes,
# so that nobody edits them by hand and loses the way back.

icon_check=$(mktemp -d)
trap 'rm -rf "$icon_check"' EXIT
c++ -std=c++17 -O2 -o "$icon_check/make_icons" "$repo/tools/make_icons.cpp" -lz
"$icon_check/make_icons" "$icon_check"
for icon in korvanta48.ico korvanta16.ico korvanta256.ico; do
    if ! cmp -s "$icon_check/$icon" "$repo/app/icons/$icon"; then
        echo "app/icons/$icon differs from what tools/make_icons.cpp draws;" >&2
        echo "regenerate with: c++ -std=c++17 -O2 -o make_icons tools/make_icons.cpp -lz && ./make_icons app/icons" >&2
        exit 1
    fi
done

# ---------------------------------------------------------------------------
# Build

# ADVAPI32: the integrity level of the program keys are typed into; HID: the
# system's parser of other remotes' reports.
system_dlls='^(KERNEL32|USER32|GDI32|SHELL32|ADVAPI32|HID|msvcrt)\.dll$'

for arch in "${arches[@]}"; do
    case "$arch" in
        x64) build="$repo/build-win64" triple=x86_64-w64-mingw32 ;;
        x86) build="$repo/build-win32" triple=i686-w64-mingw32 ;;
    esac
    cmake -S "$repo" -B "$build" \
        -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel
    cmake --build "$build" --parallel "$(nproc 2>/dev/null || echo 2)"

    exe="$build/Korvanta.exe"
    dlls=$("$triple-objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
    echo "== $exe ($arch)"
    echo "imports:"
    echo "$dlls" | sed 's/^/  /'
    echo "size: $(stat -c %s "$exe") bytes"
    if echo "$dlls" | grep -Eiv "$system_dlls" >/dev/null; then
        echo "Korvanta.exe imports a DLL that Windows does not ship:" >&2
        echo "$dlls" | grep -Eiv "$system_dlls" >&2
        exit 1
    fi
done
