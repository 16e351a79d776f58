#!/usr/bin/env bash
# Builds the release packages into dist/:
#
#   Korvanta-<version>-x64.zip     the 64-bit Korvanta.exe, the user guide in
#   Korvanta-<version>-x86.zip     Japanese and English, the license
#   Korvanta-<version>-setup.exe   per-user installer (NSIS), both executables
#
#   scripts/package.sh [--prebuilt] [--exe-x64 PATH] [--exe-x86 PATH] [--out DIR]
#
# The executables are built first with scripts/build-exe.sh --both, unless
# --prebuilt (take build-win64/ and build-win32/ as they are) or --exe-* name
# them. The version is the ProductVersion of app/Korvanta.rc's version
# resource, and nowhere else.
#
# Signing (Authenticode, osslsigncode): when the environment names a
# certificate, the executables are signed before they are zipped and packed,
# the uninstaller before it is packed, and setup.exe last. Either
#   KORVANTA_SIGN_PFX=file.pfx [KORVANTA_SIGN_PASSWORD=...]
# or
#   KORVANTA_SIGN_CERT=cert.pem (or .spc) KORVANTA_SIGN_KEY=key.pem [KORVANTA_SIGN_PASSWORD=...]
# and optionally KORVANTA_SIGN_TIMESTAMP=URL of a time-stamping server.
# Without them the files are left unsigned, and the script says so.
#
#   scripts/package.sh --sign FILE   signs FILE in place (used by makensis)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
self="$repo/scripts/package.sh"

usage() {
    echo "usage: $0 [--prebuilt] [--exe-x64 PATH] [--exe-x86 PATH] [--out DIR]" >&2
    echo "       $0 --sign FILE" >&2
    exit 2
}

# ---------------------------------------------------------------------------
# Signing

signing_configured() { [ -n "${KORVANTA_SIGN_PFX:-}" ] || [ -n "${KORVANTA_SIGN_CERT:-}" ]; }

sign_file() {
    local file=$1 args=(sign -h sha256 -n Korvanta)
    command -v osslsigncode >/dev/null ||
        { echo "a signing certificate is given but osslsigncode is not installed (Debian: osslsigncode)" >&2; return 1; }
    if [ -n "${KORVANTA_SIGN_PFX:-}" ]; then
        args+=(-pkcs12 "$KORVANTA_SIGN_PFX")
    else
        [ -n "${KORVANTA_SIGN_KEY:-}" ] || { echo "KORVANTA_SIGN_CERT needs KORVANTA_SIGN_KEY" >&2; return 1; }
        args+=(-certs "$KORVANTA_SIGN_CERT" -key "$KORVANTA_SIGN_KEY")
    fi
    [ -n "${KORVANTA_SIGN_PASSWORD:-}" ] && args+=(-pass "$KORVANTA_SIGN_PASSWORD")
    [ -n "${KORVANTA_SIGN_TIMESTAMP:-}" ] && args+=(-ts "$KORVANTA_SIGN_TIMESTAMP")
    rm -f "$file.signed"
    osslsigncode "${args[@]}" -in "$file" -out "$file.signed" >/dev/null ||
        { rm -f "$file.signed"; echo "signing $file failed" >&2; return 1; }
    mv -f "$file.signed" "$file"
    echo "signed: $(basename "$file")"
}

if [ "${1:-}" = --sign ]; then
    [ $# = 2 ] || usage
    sign_file "$2"
    exit
fi

# ---------------------------------------------------------------------------
# Command line

prebuilt=0
exe_x64=""
exe_x86=""
out="$repo/dist"
while [ $# -gt 0 ]; do
    case $1 in
        --prebuilt) prebuilt=1; shift ;;
        --exe-x64) exe_x64=${2:?}; shift 2 ;;
        --exe-x86) exe_x86=${2:?}; shift 2 ;;
        --out) out=${2:?}; shift 2 ;;
        *) usage ;;
    esac
done

# ---------------------------------------------------------------------------
# Tools

missing=()
command -v makensis >/dev/null || missing+=(nsis)
command -v zip >/dev/null || missing+=(zip)
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

# ---------------------------------------------------------------------------
# Version and executables

version=$(sed -n 's/^[[:space:]]*VALUE "ProductVersion", "\([^"]*\)".*/\1/p' "$repo/app/Korvanta.rc")
[[ $version =~ ^[0-9]+(\.[0-9]+){1,3}$ ]] ||
    { echo "no usable ProductVersion in app/Korvanta.rc (found '$version')" >&2; exit 1; }

if [ -z "$exe_x64$exe_x86" ] && [ "$prebuilt" = 0 ]; then
    "$repo/scripts/build-exe.sh" --both
fi
exe_x64=${exe_x64:-$repo/build-win64/Korvanta.exe}
exe_x86=${exe_x86:-$repo/build-win32/Korvanta.exe}
for exe in "$exe_x64" "$exe_x86"; do
    [ -f "$exe" ] || { echo "no executable at $exe" >&2; exit 1; }
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$(mktemp -d "$out/.stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT

if signing_configured; then
    echo "signing with ${KORVANTA_SIGN_PFX:-$KORVANTA_SIGN_CERT}"
else
    echo "no signing certificate given (KORVANTA_SIGN_PFX, or KORVANTA_SIGN_CERT and KORVANTA_SIGN_KEY): the packages are unsigned"
fi

# Windows text: CRLF line ends, and a byte-order mark so that any Notepad
# takes the guide for UTF-8.
windows_text() { printf '\xef\xbb\xbf'; sed 's/$/\r/' "$1"; }

for arch in x64 x86; do
    mkdir -p "$stage/$arch"
    exe_var=exe_$arch
    cp "${!exe_var}" "$stage/$arch/Korvanta.exe"
    if signing_configured; then sign_file "$stage/$arch/Korvanta.exe"; fi
done
windows_text "$repo/packaging/guide/README-ja.txt" >"$stage/README-ja.txt"
windows_text "$repo/packaging/guide/README-en.txt" >"$stage/README-en.txt"
sed 's/$/\r/' "$repo/LICENSE" >"$stage/LICENSE.txt"

# ---------------------------------------------------------------------------
# Zips: one folder, Korvanta-<version>-<arch>, with everything in it

for arch in x64 x86; do
    name=Korvanta-$version-$arch
    mkdir -p "$stage/zip/$name"
    cp "$stage/$arch/Korvanta.exe" "$stage/README-ja.txt" "$stage/README-en.txt" "$stage/LICENSE.txt" "$stage/zip/$name/"
    rm -f "$out/$name.zip"
    (cd "$stage/zip" && zip -q -X -r "$out/$name.zip" "$name")
done

# ---------------------------------------------------------------------------
# Installer

setup=$out/Korvanta-$version-setup.exe
nsis_args=(-V2 -INPUTCHARSET UTF8
    "-DVERSION=$version"
    "-DEXE_X64=$stage/x64/Korvanta.exe"
    "-DEXE_X86=$stage/x86/Korvanta.exe"
    "-DGUIDE_JA=$stage/README-ja.txt"
    "-DGUIDE_EN=$stage/README-en.txt"
    "-DLICENSE_FILE=$stage/LICENSE.txt"
    "-DICON=$repo/app/icons/korvanta48.ico"
    "-DOUTFILE=$setup")
if signing_configured; then nsis_args+=("-DSIGN_COMMAND=bash \"$self\" --sign"); fi
rm -f "$setup"
makensis "${nsis_args[@]}" "$repo/packaging/korvanta.nsi"
if signing_configured; then sign_file "$setup"; fi

echo "== packages, version $version"
for f in "$out/Korvanta-$version-x64.zip" "$out/Korvanta-$version-x86.zip" "$setup"; do
    echo "$(basename "$f"): $(stat -c %s "$f") bytes"
done
