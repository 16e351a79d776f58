#!/usr/bin/env bash
# Installs, from Debian's packages, whatever building, running and testing
# Korvanta needs and the machine does not have yet.
set -euo pipefail

packages=(
    cmake make g++ libgtest-dev libbenchmark-dev   # native build, tests, benchmark
    mingw-w64                                       # the Windows program
    wine64 wine64-tools libwine-dev                 # running it, and the virtual receiver's driver
    xvfb xauth                                      # a display for Wine
    fonts-ipafont-gothic                            # Japanese menu texts
    bc procps                                       # timings and process figures in the scripts
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
((${#missing[@]} == 0)) && exit 0

sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
echo "installing: ${missing[*]}"
if ! "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; then
    "${sudo[@]}" apt-get update
    "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
