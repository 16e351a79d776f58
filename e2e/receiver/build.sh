#!/bin/bash
# Builds the virtual receiver kit into the directory given as $1:
#   kvhid.sys + kvhid.inf   the HID minidriver and its INF (kept side by side:
#                           the INF copies the driver from its own folder)
#   kvreceiver.exe          installs the devices and pushes reports
#   rawprobe.exe            prints raw input, to check the devices
# Needs mingw-w64 and Wine's winegcc plus libwine-dev (for ddk/hidport.h).
set -euo pipefail

out=${1:?usage: build.sh OUTPUT_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)

winegcc=$(command -v winegcc-stable || command -v winegcc || echo /usr/lib/wine/winegcc)
cc=x86_64-w64-mingw32-gcc
cflags=(-O2 -Wall)

# The driver must import only ntoskrnl, hal and hidclass: Wine treats a .sys
# that imports user-mode DLLs as a plain library and never starts it.
# winegcc supplies Wine's own DDK headers, whose HID ioctl codes match hidclass.
# No export list is needed: the loader only looks for DriverEntry, which
# winegcc makes the entry point of a native-subsystem image.
"$winegcc" -b x86_64-w64-mingw32 -shared "$here/kvhid.c" \
    -o "$out/kvhid.sys" -nodefaultlibs -nostartfiles -Wl,--subsystem,native \
    -lntoskrnl -lhal -lhidclass "${cflags[@]}"
cp "$here/kvhid.inf" "$out/kvhid.inf"

"$cc" "${cflags[@]}" -I"$here" -o "$out/kvreceiver.exe" "$here/kvreceiver.c" \
    -lsetupapi -lnewdev -lhid -static-libgcc
"$cc" "${cflags[@]}" -I"$here" -o "$out/rawprobe.exe" "$here/rawprobe.c" -luser32 -lhid -static-libgcc

echo "built into $out:"
ls -1 "$out"
