#!/bin/bash
# Builds the stand-in viewer and the window tool into the directory given as $1:
#   standin.exe   a viewer window that logs what reaches it
#   wctl.exe      finds, arranges and pokes windows
# Needs mingw-w64.
set -euo pipefail

out=${1:?usage: build.sh OUTPUT_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mkdir -p "$out"
cc=x86_64-w64-mingw32-gcc
cflags=(-O2 -Wall -Wextra -Wno-unused-parameter -static-libgcc)

"$cc" "${cflags[@]}" -municode -o "$out/standin.exe" "$here/standin.c" -luser32
"$cc" "${cflags[@]}" -o "$out/wctl.exe" "$here/wctl.c" -luser32
