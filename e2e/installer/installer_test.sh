#!/usr/bin/env bash
# The release packages under Wine: builds them with scripts/package.sh from
# the given executables, then, silently (/S) in a fresh prefix with the
# virtual receiver:
#
#   1. installs;
#   2. finds the program, the guide, the uninstaller, the Start-menu and
#      Startup shortcuts and the uninstall entry (reg query);
#   3. starts the installed Korvanta.exe: a press reaches a stand-in viewer;
#      chooses direct operation mode (WM_COMMAND 111);
#   4. installs again over the running copy: it ends with code 0 having saved
#      the mode, the program file is written anew, a new copy runs and
#      delivers by the saved mode;
#   5. uninstalls: everything goes but Korvanta.ini; installs again without
#      the Startup shortcut (/NOSTARTUP) and uninstalls with /REMOVESETTINGS:
#      nothing is left;
#
# then runs the x86 zip's Korvanta.exe under the 32-bit Wine: it starts and a
# press reaches the viewer; and last installs into a new 32-bit prefix, where
# the installer must choose the 32-bit program.
#
#   e2e/installer/installer_test.sh [--exe-x64 PATH] [--exe-x86 PATH] [--tools DIR]
#
# Without --exe-*, build-win64/ and build-win32/ (built first when missing).
# Exit code 77 (skipped) when makensis, zip/unzip, Wine (both halves: the
# installer is a 32-bit program), Xvfb or MinGW-w64 is missing.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=SCRIPTDIR/../endtoend/lib.sh
source "$here/../endtoend/lib.sh"
# shellcheck source=SCRIPTDIR/../endtoend/checks.sh
source "$here/../endtoend/checks.sh"
repo=$E2E_REPO

exe_x64=""
exe_x86=""
tools=$repo/build-e2e/tools
while [ $# -gt 0 ]; do
    case $1 in
        --exe-x64) exe_x64=${2:?}; shift 2 ;;
        --exe-x86) exe_x86=${2:?}; shift 2 ;;
        --tools) tools=${2:?}; shift 2 ;;
        *) echo "usage: $0 [--exe-x64 PATH] [--exe-x86 PATH] [--tools DIR]" >&2; exit 2 ;;
    esac
done

missing=()
for tool in makensis zip unzip; do command -v $tool >/dev/null || missing+=("$tool"); done
e2e_have_prerequisites x86 || missing+=("$E2E_MISSING")
if [ ${#missing[@]} -gt 0 ]; then
    end_missing "${missing[*]}"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/korvanta-packages.XXXXXX")
prefix32=$work/prefix32
cleanup() {
    [ -d "$prefix32" ] && WINEPREFIX=$prefix32 timeout 20 "$KV_WINESERVER" -k 2>/dev/null
    e2e_env_down
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

e2e_build_tools "$tools" || { echo "building the helper programs failed"; exit 1; }
for arch in x64 x86; do
    var=exe_$arch
    if [ -z "${!var}" ]; then
        printf -v "$var" '%s' "$(e2e_default_exe $arch)"
        [ -f "${!var}" ] || e2e_build_exe "$work/build-exe.log" $arch || exit 1
    fi
done

echo "== packages"
env -u KORVANTA_SIGN_PFX -u KORVANTA_SIGN_CERT "$repo/scripts/package.sh" \
    --exe-x64 "$exe_x64" --exe-x86 "$exe_x86" --out "$work/dist" >"$work/package.log" 2>&1 ||
    { cat "$work/package.log"; echo "scripts/package.sh failed"; exit 1; }
sed -n '/^== packages/,$p' "$work/package.log" | tail -n +2 | sed 's/^/  /'
version=$(sed -n 's/^[[:space:]]*VALUE "ProductVersion", "\([^"]*\)".*/\1/p' "$repo/app/Korvanta.rc")
setup=$work/dist/Korvanta-$version-setup.exe
[ -f "$setup" ] || { echo "no $setup"; exit 1; }

kv_template "$tools" >/dev/null || { echo "the Wine prefix template could not be made"; exit 1; }
e2e_env_up "$tools" "$exe_x64" || { echo "FAILED (setup): environment"; exit 1; }

# The user's folders in the prefix, as Windows and as Linux paths.
profile=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n1)
instdir=$profile/AppData/Local/Programs/Korvanta
instdir_w="C:\\users\\${profile##*/}\\AppData\\Local\\Programs\\Korvanta"
programs=$profile/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs
startup_lnk() { find "$programs" -mindepth 2 -maxdepth 2 -ipath '*/startup/Korvanta.lnk' | head -n1; }
uninst_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvanta'

# setup ARGS...: runs the installer; 0 when it exits with 0
setup() {
    kv_wine "$setup" "$@" </dev/null >>"$E2E_RUN/setup.out" 2>&1
    local rc=$?
    info "setup.exe $*: exit code $rc"
    [ "$rc" = 0 ]
}

# the copy of the uninstaller that does the work (see uninstall) is running
uninstaller_running() {
    local p
    for p in $(pgrep -f '~nsu'); do
        tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
    done
    return 1
}

# uninstall ARGS...: the uninstaller hands over to a copy of itself in the
# temporary folder and returns at once; waits for that copy to finish (its
# program file gone first, then the process), at most a minute.
uninstall() {
    kv_wine "$instdir/Uninstall.exe" "$@" </dev/null >>"$E2E_RUN/setup.out" 2>&1
    local rc=$? i
    info "Uninstall.exe $*: exit code $rc"
    for ((i = 0; i < 600; i++)); do
        if [ ! -e "$instdir/Uninstall.exe" ] && ! uninstaller_running; then break; fi
        sleep 0.1
    done
    [ "$rc" = 0 ]
}

# entry NAME: one value of the uninstall entry, as reg query prints it
entry() {
    local try value
    # reg.exe under a loaded wineserver has answered nothing once: asked again
    for try in 1 2 3; do
        value=$(kv_wine reg query "$uninst_key" /v "$1" 2>/dev/null | tr -d '\r' |
            awk -v n="$1" '$1 == n { sub("^[ ]*" n "[ ]+REG_[A-Z_]+[ ]+", ""); print }')
        [ -n "$value" ] && break
    done
    printf '%s\n' "$value"
}
entry_gone() { ! kv_wine reg query "$uninst_key" >/dev/null 2>&1; }

lnk_points_at_program() { strings -a -el "$1" | grep -qiF 'Programs\Korvanta\Korvanta.exe' ||
    strings -a "$1" | grep -qiF 'Programs\Korvanta\Korvanta.exe'; }
only_ini_left() { eq "$(ls -A "$instdir" 2>&1 | tr '\n' ' ')" "Korvanta.ini "; }
installed_files() { ls -A "$instdir" 2>&1 | sort | tr '\n' ' '; }
no_korvanta_window() { ! w find KORVANTA >/dev/null 2>&1; }

# ---------------------------------------------------------------------------
echo "== 1. install (/S)"
check "setup.exe /S exits with 0" setup /S

echo "== 2. what the installation left"
check "program, guide, license and uninstaller in %LOCALAPPDATA%\\Programs\\Korvanta" \
    eq "$(installed_files)" "Korvanta.exe LICENSE.txt README-en.txt README-ja.txt Uninstall.exe "
check "the 64-bit program on a 64-bit Windows" cmp -s "$instdir/Korvanta.exe" "$exe_x64"
check "Start-menu shortcut to the program" lnk_points_at_program "$programs/Korvanta.lnk"
check "Startup shortcut to the program" lnk_points_at_program "$(startup_lnk)"
check "uninstall entry: DisplayName" eq "$(entry DisplayName)" Korvanta
check "uninstall entry: DisplayVersion from the version resource" eq "$(entry DisplayVersion)" "$version"
check "uninstall entry: Publisher" eq "$(entry Publisher)" "The Korvanta developers"
check "uninstall entry: DisplayIcon" eq "$(entry DisplayIcon)" "$instdir_w\\Korvanta.exe,0"
check "uninstall entry: InstallLocation" eq "$(entry InstallLocation)" "$instdir_w"
check "uninstall entry: UninstallString" eq "$(entry UninstallString)" "\"$instdir_w\\Uninstall.exe\""
check "uninstall entry: QuietUninstallString" eq "$(entry QuietUninstallString)" "\"$instdir_w\\Uninstall.exe\" /S"
check "uninstall entry: NoModify, NoRepair" eq "$(entry NoModify) $(entry NoRepair)" "0x1 0x1"
size_kb=$(entry EstimatedSize)
[[ $size_kb =~ ^0x[0-9a-f]+$ ]] && size_kb=$((size_kb)) || size_kb=0
check "uninstall entry: EstimatedSize ($size_kb KB) at least the program's size" \
    ge "$size_kb" "$(($(stat -c %s "$exe_x64") / 1024))"
check "a silent first installation starts nothing" no_korvanta_window

echo "== 3. the installed program"
need e2e_viewer A "TVTest Window" --foreground || exit 1
need w foreground "$V_A" || exit 1
need e2e_korvanta_start "$instdir" || exit 1
old_hwnd=$K_HWND
m=$(mark A)
need tap 08 || exit 1
check "a press in mode 0 reaches the focused viewer as keys" wait_for A "$m" ' keydown ' 1 10
check "no settings file yet" eq "$(ls "$instdir/Korvanta.ini" 2>/dev/null)" ""
need e2e_korvanta_cmd 111 || exit 1
m=$(mark A)
need tap 08 || exit 1
check "direct operation mode (111): the press arrives as TVTest KeyHook" wait_for A "$m" ' keyhook ' 1 10

echo "== 4. install again over the running copy (/S)"
# a date the package's file cannot have: the installer must write it anew
touch -d 2000-01-01 "$instdir/Korvanta.exe"
check "setup.exe /S exits with 0" setup /S
e2e_korvanta_wait_exit 30
check "the running copy was ended as by its menu: exit code 0" eq "$K_EXIT" 0
check "it saved the chosen mode" eq "$(kv_text "$instdir/Korvanta.ini")" \
    $'[Korvanta]\nTVTC_MODE=00000001\nIgnoreCursor=00000000'
check "the program file was written anew" eq "$(find "$instdir/Korvanta.exe" -newermt 2001-01-01 | wc -l)" 1
check "the program file is the package's" cmp -s "$instdir/Korvanta.exe" "$exe_x64"
check "Startup shortcut still there" test -n "$(startup_lnk)"
if check "the new copy runs" w wait KORVANTA 30; then
    K_HWND=${E2E_REPLY[0]}
    check "it is a new window" test "$K_HWND" != "$old_hwnd"
    m=$(mark A)
    need tap 08 || exit 1
    check "it delivers by the saved mode: TVTest KeyHook" wait_for A "$m" ' keyhook ' 1 10
fi

echo "== 5. uninstall (/S), keeping the settings"
check "Uninstall.exe /S exits with 0" uninstall /S
check "the running copy was ended" no_korvanta_window
check "only Korvanta.ini is left" only_ini_left
check "it still holds the chosen mode" eq "$(kv_text "$instdir/Korvanta.ini")" \
    $'[Korvanta]\nTVTC_MODE=00000001\nIgnoreCursor=00000000'
check "Start-menu shortcut gone" test ! -e "$programs/Korvanta.lnk"
check "Startup shortcut gone" test -z "$(startup_lnk)"
check "uninstall entry gone" entry_gone

echo "== 5b. install without the Startup shortcut (/S /NOSTARTUP), uninstall with /REMOVESETTINGS"
check "setup.exe /S /NOSTARTUP exits with 0" setup /S /NOSTARTUP
check "Start-menu shortcut, no Startup shortcut" eq "$(test -e "$programs/Korvanta.lnk" && echo menu) $(startup_lnk)" "menu "
check "the kept settings are still there" test -f "$instdir/Korvanta.ini"
check "nothing was running, nothing is started" no_korvanta_window
check "Uninstall.exe /S /REMOVESETTINGS exits with 0" uninstall /S /REMOVESETTINGS
check "the folder is gone, settings included" test ! -e "$instdir"
check "Start-menu shortcut gone" test ! -e "$programs/Korvanta.lnk"
check "uninstall entry gone" entry_gone

echo "== the zips"
for arch in x64 x86; do
    name=Korvanta-$version-$arch
    mkdir -p "$work/unzip-$arch"
    need unzip -q "$work/dist/$name.zip" -d "$work/unzip-$arch" || exit 1
    check "$name.zip: the program, the guide in two languages, the license" \
        eq "$(cd "$work/unzip-$arch" && find . -type f | sort | tr '\n' ' ')" \
        "./$name/Korvanta.exe ./$name/LICENSE.txt ./$name/README-en.txt ./$name/README-ja.txt "
    exe_var=exe_$arch
    check "$name.zip: the $arch program" cmp -s "$work/unzip-$arch/$name/Korvanta.exe" "${!exe_var}"
done
x86_dir=$work/unzip-x86/Korvanta-$version-x86
check "the x86 zip's program is a 32-bit one" eq "$(e2e_pe_arch "$x86_dir/Korvanta.exe")" x86
if need e2e_korvanta_start "$x86_dir"; then
    m=$(mark A)
    need tap 08 || exit 1
    check "x86 program from the zip: a press reaches the focused viewer" wait_for A "$m" ' keydown ' 1 10
    check "x86 program from the zip: exit command, code 0" exit_korvanta
fi

echo "== 6. on 32-bit Windows (a new 32-bit prefix, /S)"
if (export WINEPREFIX=$prefix32 WINEARCH=win32
    timeout 300 "$KV_WINE32" wineboot -i </dev/null >"$work/prefix32.log" 2>&1 &&
        timeout 60 "$KV_WINE32" "$setup" /S </dev/null >>"$work/prefix32.log" 2>&1); then
    installed32=$(find "$prefix32/drive_c/users" -path '*/AppData/Local/Programs/Korvanta/Korvanta.exe' | head -n1)
    check "the 32-bit program on a 32-bit Windows" cmp -s "$installed32" "$exe_x86"
else
    check "a 32-bit prefix and setup.exe /S in it" false
    tail -n 20 "$work/prefix32.log"
fi

[ "$FAILED" = 0 ] || { echo "FAILED"; exit 1; }
echo "PASSED"
