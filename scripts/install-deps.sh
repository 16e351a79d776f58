#!/usr/bin/env bash
# Installs, from Debian's packages, whatever building, running and testing
# Korvanta needs and the machine does not have yet. Running it again when
# everything is present changes nothing.
set -euo pipefail

packages=(
    cmake make g++ libgtest-dev libbenchmark-dev   # native build, tests, benchmark
    zlib1g-dev                                      # the icon generator's PNG compression
    clang libfuzzer-14-dev libclang-rt-14-dev       # the fuzzers
    mingw-w64                                       # the Windows program
    wine64 wine64-tools libwine-dev                 # running it, and the virtual receiver's driver
    wine32:i386                                     # running the 32-bit program beside the 64-bit one
    xvfb xauth                                      # a display for Wine
    fonts-ipafont-gothic fontconfig                 # Japanese menu texts, and fc-list that finds them
    xdotool imagemagick                             # real pointer input and pictures of the screen
    bc procps                                       # timings and process figures in the scripts
    gcovr                                           # coverage figures of the native tests
    nsis zip unzip                                  # the release packages, the installer and its test
)

sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive

# wine32 is an i386 package: dpkg must know that architecture before apt can
# see it, and apt's lists must be read again once it is added.
added_i386=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
    added_i386=1
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
((${#missing[@]} == 0)) && exit 0

echo "installing: ${missing[*]}"
((added_i386)) && "${sudo[@]}" apt-get update
if ! "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; then
    "${sudo[@]}" apt-get update
    "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
