#!/usr/bin/env bash
# Smoke test of Korvanta.exe under Wine, on a private X server and a
# throwaway Wine prefix:
#
#   - it stays resident with one hidden top-level window of class KORVANTA;
#   - its resources hold exactly the menu, strings, accelerators, icons,
#     version and manifest the program relies on;
#   - a second copy exits at once with code 0 and opens no second window;
#   - the About box opens from the command and closes by OK and by its
#     close box, with its caption and controls as designed;
#   - a tray-icon click opens the popup menu;
#   - choosing direct operation mode and then exit ends the program with
#     code 0 and leaves Korvanta.ini beside the executable with the choice.
#
#   e2e/smoke/smoke_test.sh [--exe PATH/Korvanta.exe | --arch x64|x86]
#
# --exe may name the 64-bit or the 32-bit executable (its header says which);
# without it, the one of --arch (default x64) is built with
# scripts/build-exe.sh first. Exits 77 (skipped) when Wine, Xvfb or MinGW-w64
# is not installed, or for a 32-bit executable the 32-bit half of Wine
# (Debian: wine32:i386); under KORVANTA_STRICT=1 that is a failure. The helper wintool.exe is 64-bit either way.
# Every Wine call runs under `timeout`: a window that fails to come up must
# not hang the run.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

exe=""
arch=x64
while [ $# -gt 0 ]; do
    case "$1" in
        --exe) exe=${2:-}; shift 2 ;;
        --arch) arch=${2:-}; shift 2 ;;
        *) echo "usage: $0 [--exe PATH/Korvanta.exe | --arch x64|x86]" >&2; exit 2 ;;
    esac
done
case "$arch" in
    x64 | x86) ;;
    *) echo "usage: $0 [--exe PATH/Korvanta.exe | --arch x64|x86]" >&2; exit 2 ;;
esac

# ---------------------------------------------------------------------------
# Tools

# shellcheck source=../../tests/skips.sh
source "$repo/tests/skips.sh"
# e2e_retry, for the questions asked of wintool
# shellcheck source=../endtoend/lib.sh
source "$repo/e2e/endtoend/lib.sh"

first_of() {
    local candidate
    for candidate in "$@"; do
        if [ -x "$candidate" ]; then echo "$candidate"; return 0; fi
        if command -v "$candidate" >/dev/null 2>&1; then command -v "$candidate"; return 0; fi
    done
    return 1
}

wine=$(first_of /usr/lib/wine/wine64 wine64 wine) || end_missing "Wine loader (Debian: wine64)"
wineserver=$(first_of /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver wineserver) || end_missing "wineserver (Debian: wine64)"
command -v Xvfb >/dev/null || end_missing "Xvfb (Debian: xvfb)"
command -v x86_64-w64-mingw32-g++ >/dev/null || end_missing "x86_64-w64-mingw32-g++ (Debian: mingw-w64)"

if [ -z "$exe" ]; then
    timeout 600 "$repo/scripts/build-exe.sh" "--$arch" >/dev/null || { echo "building Korvanta.exe failed"; exit 1; }
    if [ "$arch" = x86 ]; then exe="$repo/build-win32/Korvanta.exe"; else exe="$repo/build-win64/Korvanta.exe"; fi
fi
[ -f "$exe" ] || { echo "no executable at $exe"; exit 1; }

# The machine field of the PE header: 64-bit or 32-bit x86.
pe=$(od -An -tu4 --endian=little -j60 -N4 "$exe" | tr -d ' ')
case $(od -An -tx2 --endian=little -j"$((pe + 4))" -N2 "$exe" | tr -d ' ') in
    8664) arch=x64 ;;
    014c) arch=x86 ;;
    *) echo "$exe is neither a 64-bit nor a 32-bit x86 Windows executable"; exit 1 ;;
esac
if [ "$arch" = x86 ]; then
    first_of "${KV_WINE32:-/usr/lib/wine/wine}" >/dev/null || end_missing "32-bit Wine loader for the 32-bit executable (Debian: wine32:i386)"
fi
echo "# $exe ($arch)"

# ---------------------------------------------------------------------------
# Private X server and Wine prefix, removed again whatever happens

work=$(mktemp -d "${TMPDIR:-/tmp}/korvanta-smoke.XXXXXX")
xvfb_pid=""
korvanta_pid=""

cleanup() {
    if [ -d "$work/prefix" ]; then
        WINEPREFIX="$work/prefix" timeout 60 "$wineserver" -k >/dev/null 2>&1
    fi
    if [ -n "$korvanta_pid" ]; then
        kill "$korvanta_pid" 2>/dev/null
        wait "$korvanta_pid" 2>/dev/null
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

timeout 300 x86_64-w64-mingw32-g++ -std=c++17 -Os -municode -static -s \
    -o "$work/wintool.exe" "$here/wintool.cpp" || { echo "building wintool.exe failed"; exit 1; }

# Xvfb picks a free display itself and writes its number to fd 3 once it
# accepts connections.
timeout 1800 Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 600); do
    grep -q '[0-9]' "$work/display" 2>/dev/null && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
display=$(tr -dc '0-9' <"$work/display")
[ -n "$display" ] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }

export DISPLAY=":$display"
export WINEPREFIX="$work/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

timeout 300 "$wine" wineboot --init >"$work/wineboot.log" 2>&1
mkdir -p "$work/app"
cp "$exe" "$work/app/Korvanta.exe"
exe_windows="Z:$(echo "$work/app/Korvanta.exe" | tr / '\\')"

wintool() {
    timeout 120 "$wine" "$work/wintool.exe" "$@" 2>>"$work/wintool.log"
}

# ask ARGS...: wintool asked about windows or resources. Every answer is
# printed, "none" included, so a run that printed nothing never got to ask
# and is tried again. Posts are not asked: one must not arrive twice.
ask() { e2e_retry e2e_said wintool "$@"; }

# gone HWND: wintool wait-gone, which says nothing when the window has gone
# and "still there" when it has not; a run that failed without a word is
# tried again
gone() { e2e_retry gone_or_said wintool wait-gone "$1" >/dev/null; }
gone_or_said() { [ "$1" = 0 ] || [ -n "$2" ]; }

# Field NAME=VALUE out of one line of wintool's output.
field() {
    echo "$1" | tr ' ' '\n' | sed -n "s/^$2=//p" | head -n 1
}

# ---------------------------------------------------------------------------
# Checks

passed=0
failed=0

pass() {
    passed=$((passed + 1))
    echo "ok - $1"
}

fail() {
    failed=$((failed + 1))
    echo "not ok - $1"
    if [ $# -gt 1 ]; then printf '%s\n' "$2" | sed 's/^/    /'; fi
}

expect_same() {  # description, expected text, actual text
    if [ "$2" = "$3" ]; then
        pass "$1"
    else
        fail "$1" "$(diff <(printf '%s\n' "$2") <(printf '%s\n' "$3"))"
    fi
}

WM_CLOSE=0x0010
WM_KEYDOWN=0x0100
WM_COMMAND=0x0111
WM_LBUTTONDOWN=0x0201
WM_RBUTTONDOWN=0x0204
WM_TRAY_NOTIFY=0x0464
VK_ESCAPE=0x1b
IDOK=1
IDM_ABOUT=104
IDM_EXIT=105
IDM_MODE_DIRECT=111

# Resident, hidden, alone.
timeout 300 "$wine" "$work/app/Korvanta.exe" >"$work/korvanta.log" 2>&1 &
korvanta_pid=$!
line=$(ask wait KORVANTA)
hwnd=$(field "$line" hwnd)
if [ -z "$hwnd" ]; then
    fail "the main window of class KORVANTA exists" "$line"
    echo "$passed passed, $failed failed"
    exit 1
fi
pass "the main window of class KORVANTA exists"
expect_same "the main window is hidden and the only one of its class" "visible=0 count=1" \
    "visible=$(field "$line" visible) count=$(field "$line" count)"

# Resources, as the program loads them.
expected_resources=$(cat <<'EOF'
string 103 Korvanta
string 109 KORVANTA
string 116 設定を保存できません
string 117 Korvanta.ini に書き込めないため、選んだ設定は終了時に保存されません。Korvanta.exe を書き込みできるフォルダーに置いてください。
menu popup state=0 dummy(&F)
menu   item 110 state=0 HDUSエミュレーションモード
menu   item 111 state=0 直接操作モード
menu   item 112 state=0 直接操作モード（フォアグラウンドのみ）
menu   separator
menu   item 113 state=0 方向ボタン無視
menu   separator
menu   item 114 state=0 TVTestロックオン
menu   separator
menu   item 106 state=0 設定(&S)...
menu   item 104 state=0 バージョン情報(&A)...
menu   item 105 state=0 アプリケーションの終了(&X)
accel flags=0x10 key=0x3f cmd=104
accel flags=0x10 key=0x2f cmd=104
icon-group 107 48x48 bits=32 dib
icon-group 108 16x16 bits=32 dib
icon-group 115 256x256 bits=32 png
version 1.0.5.0
EOF
)
expect_same "strings, menu, accelerators, icons and version" "$expected_resources" "$(ask resources "$exe_windows")"

manifest=$(ask manifest "$exe_windows")
missing=""
for needle in 'level="asInvoker"' '>true/pm<' '>PerMonitorV2' \
    'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'; do
    case "$manifest" in *"$needle"*) ;; *) missing="$missing $needle" ;; esac
done
if [ -z "$missing" ]; then pass "the manifest"; else fail "the manifest" "missing:$missing"; fi

# A second copy gives way.
timeout 120 "$wine" "$work/app/Korvanta.exe" >>"$work/korvanta.log" 2>&1
second_rc=$?
expect_same "a second copy exits with code 0" 0 "$second_rc"
line=$(ask find KORVANTA)
expect_same "the first copy keeps the only window" "hwnd=$hwnd visible=0 count=1" "$line"

# The About box, closed once by OK and once by its close box. The window
# manager adds WS_CLIPSIBLINGS and DS_3DLOOK to the template's style
# (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SHELLFONT).
expected_dialog=$(cat <<'EOF'
visible=1 style=0x94c800cc caption=バージョン情報 Korvanta
control id=-1 class=Static style=0x50000003 text=#128
control id=-1 class=Static style=0x50020080 text=Korvanta, Version 1.0.5
control id=-1 class=Static style=0x50020000 text=TV remote control relay
control id=1 class=Button style=0x50030001 text=OK
EOF
)
about_box_closes_by() {  # name, message, wParam
    wintool post "$hwnd" "$WM_COMMAND" "$IDM_ABOUT" 0
    local dialog dialog_hwnd
    dialog=$(ask dialog)
    dialog_hwnd=$(field "$(echo "$dialog" | head -n 1)" hwnd)
    expect_same "the About box opens with its caption and controls" "$expected_dialog" \
        "$(echo "$dialog" | sed '1s/^dialog hwnd=[^ ]* //')"
    [ -n "$dialog_hwnd" ] || return
    wintool post "$dialog_hwnd" "$2" "$3" 0
    if gone "$dialog_hwnd"; then
        pass "the About box closes by $1"
    else
        fail "the About box closes by $1"
    fi
}
about_box_closes_by OK "$WM_COMMAND" "$IDOK"
about_box_closes_by "its close box" "$WM_CLOSE" 0

# A click on the tray icon opens the popup menu; Escape closes it.
for button in right left; do
    if [ "$button" = right ]; then mouse=$WM_RBUTTONDOWN; else mouse=$WM_LBUTTONDOWN; fi
    wintool post "$hwnd" "$WM_TRAY_NOTIFY" 0 "$mouse"
    menu=$(ask wait '#32768')
    menu_hwnd=$(field "$menu" hwnd)
    expect_same "a $button click on the tray icon shows the popup menu" "visible=1" "visible=$(field "$menu" visible)"
    if [ -n "$menu_hwnd" ]; then
        wintool post "$hwnd" "$WM_KEYDOWN" "$VK_ESCAPE" 0
        if gone "$menu_hwnd"; then
            pass "Escape closes the popup menu"
        else
            fail "Escape closes the popup menu"
        fi
    fi
done

# Direct operation mode, then exit: the choice is saved beside the program.
wintool post "$hwnd" "$WM_COMMAND" "$IDM_MODE_DIRECT" 0
wintool post "$hwnd" "$WM_COMMAND" "$IDM_EXIT" 0
wait "$korvanta_pid"
exit_code=$?
korvanta_pid=""
expect_same "exit ends the program with code 0" 0 "$exit_code"
expect_same "no KORVANTA window is left" "none" "$(ask find KORVANTA)"

expected_ini=$(printf '[Korvanta]\nTVTC_MODE=00000001\nIgnoreCursor=00000000')
if [ -f "$work/app/Korvanta.ini" ]; then
    # Korvanta made it, so it is UTF-16 LE, as Windows then writes every value.
    expect_same "Korvanta.ini holds the chosen mode and the flag" "$expected_ini" "$(kv_text "$work/app/Korvanta.ini")"
    expect_same "Korvanta.ini starts with the UTF-16 LE byte-order mark" fffe \
        "$(head -c 2 "$work/app/Korvanta.ini" | od -An -tx1 | tr -d ' ')"
else
    fail "Korvanta.ini exists beside the executable" "$(ls -la "$work/app")"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
