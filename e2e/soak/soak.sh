#!/usr/bin/env bash
# Soak run: a week in the tray, in an hour. A resident program must not creep,
# so one Korvanta.exe is driven for a long time through everything a user and
# a desktop do to it, and what it holds is measured after a warm-up and at
# the end.
#
#   e2e/soak/soak.sh [--exe PATH/Korvanta.exe]... [--arch x64|x86|both]
#                    [--reports N | --long] [--tools DIR] [--out DIR]
#
# Without --reports, 5,000 receiver reports (the short run, which CTest runs
# as soak_short_<arch>); --long is --reports 100000. --exe may be given once
# for each architecture (its PE header says which); an architecture without
# one is built first with scripts/build-exe.sh. Without --arch, the
# architectures of the --exe files, or both. Each architecture runs in a
# process of its own, with its own X server and Wine prefix (lib.sh), one
# after the other. The viewers' logs go with the prefix; the figures
# (summary.txt), a line of figures after every round (samples.tsv) and the
# picture the menu's items were read from stay in --out (default
# build-e2e/soak/<arch>). SOAK_TRACE=1 prints every step with its time.
#
# What it drives, in rounds (N/500 of them, at least 6 and at most 200):
#   - a new stand-in viewer each round ("TVTest Window" or "TVH264 Window",
#     with a visible channel display) in front, ended at the end of the round
#     by SIGKILL, by TerminateProcess or by WM_CLOSE in turn;
#   - a mode each round, 1, 2, 0 in turn: one round in four by real clicks
#     on the tray menu (xdotool), the others by WM_COMMAND 110/111/112; a
#     probe press with a program that is no viewer in front tells the three
#     modes apart, so each change is seen to have taken;
#   - a seeded stream of reports played back to back: ordinary buttons,
#     direction keys (0x1C Up, 0x24 Shift+Up, ...), buttons without a chord,
#     taps, holds long enough to repeat, roll-overs from one button straight
#     to the next;
#   - two taps of the front button 0x21, each of which must activate the
#     other viewer;
#   - every second round, lock-on taken by clicking TVTestロックオン and then
#     the other viewer's picture, a stream played to the locked viewer, and
#     the lock dropped by clicking the item again;
#   - every third round, the About box opened from the menu and closed by a
#     click on OK, by Escape or by a click on its close box, in turn;
#   - the press log on (Log=1), its file filled to just under 1 MB before the
#     start so that it rolls over in the first round and then every ~9,000
#     reports;
#   - halfway, the notification area ended (explorer killed) and a new one
#     started that announces itself with "TaskbarCreated"; from then on the
#     menu is opened by the icon's callback message and still clicked for real.
#
# What it measures, after the warm-up (the first three rounds, which go
# through all three modes, lock-on, the About box, every way of ending a
# viewer and the first rollover) and at the end (e2e/soak/procstat.c):
#   - open handles: the handles in use, counted in the system's handle list,
#     and beside them the size of the handle table, which is what Wine's
#     process list reports as the handle count;
#   - threads, from the process list;
#   - GDI and USER objects (GetGuiResources), where Wine answers;
#   - private memory: RssAnon of Korvanta's Wine process.
# Pass: handles, threads and the GUI objects where answered no higher at the
# end than after the warm-up, private memory grown by no more than 2 %; every
# delivery the model of the repeat filter and the key table expects seen by
# the viewer it was meant for, in order, and nothing else; every 0x21 tap an
# activation; one press-log line for each report sent; Korvanta alive and
# answering after every round, no modifier key left down, and exit code 0 at
# the end. Exit code 0 (pass), 1 (fail), 77 (skipped: Wine, Xvfb, MinGW-w64,
# xdotool, ImageMagick or the Japanese font missing; under KORVANTA_STRICT=1
# a missing package fails).
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

usage() {
    echo "usage: $0 [--exe PATH/Korvanta.exe]... [--arch x64|x86|both] [--reports N | --long] [--tools DIR] [--out DIR]" >&2
    exit 2
}

REPORTS=5000
TOOLS=""
OUT=""
arches=()
exes=()
inner=""
while [ $# -gt 0 ]; do
    case $1 in
        --exe) exes+=("${2:?}"); shift 2 ;;
        --arch)
            case ${2:-} in
                x64 | x86) arches+=("$2") ;;
                both) arches+=(x64 x86) ;;
                *) usage ;;
            esac
            shift 2 ;;
        --reports) REPORTS=${2:?}; shift 2 ;;
        --long) REPORTS=100000; shift ;;
        --tools) TOOLS=${2:?}; shift 2 ;;
        --out) OUT=${2:?}; shift 2 ;;
        --inner) inner=${2:?}; shift 2 ;;
        *) usage ;;
    esac
done
[[ $REPORTS =~ ^[0-9]+$ ]] && [ "$REPORTS" -ge 600 ] || { echo "--reports: a number of at least 600" >&2; exit 2; }

# Every Wine process of the run lives under timeout as a backstop against a
# hang; here the run itself is long, so the backstop is as long as the run
# may take at its slowest (a report every 60 ms, plus the rounds' own steps).
KV_TIMEOUT=$((1200 + REPORTS * 6 / 100))
# shellcheck source=../endtoend/lib.sh
source "$here/../endtoend/lib.sh"
# shellcheck source=../endtoend/checks.sh
source "$here/../endtoend/checks.sh"
# the tray's icon and menu read from pictures and clicked, the lock-on pick;
# the case files add their cases to this list, which is not used here
# shellcheck disable=SC2034
ALL_CASES=()
# shellcheck source=../endtoend/cases_tray.sh
source "$here/../endtoend/cases_tray.sh"
# shellcheck source=../endtoend/cases_lockon.sh
source "$here/../endtoend/cases_lockon.sh"

# soak_requirements: the packages beyond the other Wine tests' that the real
# clicks on the tray and its menu need; SOAK_MISSING names what is not there
soak_requirements() {
    CASE_MISSING=""
    tray_requirements
    SOAK_MISSING=$CASE_MISSING
    [ -z "$SOAK_MISSING" ]
}

# soak_build_tools DIR: the other Wine tests' helpers, and procstat.exe
soak_build_tools() {
    e2e_build_tools "$1" || return 1
    (
        flock -w 600 9 || exit 1
        if [ ! -f "$1/procstat.exe" ] || [ "$here/procstat.c" -nt "$1/procstat.exe" ]; then
            x86_64-w64-mingw32-gcc -O2 -Wall -Wextra -static-libgcc -o "$1/procstat.exe" "$here/procstat.c" \
                -lntdll -luser32 -lpsapi || exit 1
        fi
    ) 9>"$1/.build.lock"
}

# ---------------------------------------------------------------------------
# The model: what a stream of reports must deliver

# soak_codes SEED COUNT: COUNT report codes, one a line, ending in a release.
# Each press is a code from the pool (mostly ordinary buttons, about one in
# eight a direction key, one in twenty a button without a chord), held for
# one report (a tap), two to six (repeats the filter swallows) or seven to
# fourteen (auto-repeat), then released or rolled straight over to the next.
# The front button is left out: it changes which window is in front, and the
# rounds tap it apart.
soak_codes() {
    awk -v seed="$1" -v n="$2" 'BEGIN {
        srand(seed)
        no = split("08 0A 0B 17 2E 01 33 06 2B 1A 0F 25", ordinary, " ")
        nd = split("1C 24 26 22 27 29 1E 20 1F", direction, " ")
        nn = split("02 1B 34 7F", none, " ")
        while (out < n - 1) {
            r = rand()
            if (r < 0.05) code = none[1 + int(rand() * nn)]
            else if (r < 0.17) code = direction[1 + int(rand() * nd)]
            else code = ordinary[1 + int(rand() * no)]
            r = rand()
            hold = r < 0.65 ? 1 : r < 0.87 ? 2 + int(rand() * 5) : 7 + int(rand() * 8)
            for (i = 0; i < hold && out < n - 1; i++) { print code; out++ }
            if (rand() < 0.7 && out < n - 1) { print "00"; out++ }
        }
        print "00"
    }'
}

# soak_expected KIND: reads codes, prints the deliveries they must make:
# KIND hook (modes 1 and 2 with a viewer in front, or locked on a viewer):
# "K:vk/lParam" for a "TVTest KeyHook", "D:vk" for a direction key posted to
# the channel display; KIND input (mode 0): "I:vk" for the key typed into
# the window in front. The repeat filter: a release adds 1 to the counter,
# forgets the code and acts no further; a new code sets the counter to 1 and
# fires; the same code again is swallowed while the counter is below 10,
# adding 2, and fires from then on, adding 1 (a hold of N reports fires on
# the 1st and from the 7th on).
soak_expected() {
    awk -v kind="$1" '
    BEGIN {
        # code: shift ctrl vk direction
        t["01"] = "1 0 7d 0"; t["06"] = "0 1 83 0"; t["08"] = "1 0 7c 0"; t["0A"] = "1 0 7e 0"
        t["0B"] = "1 1 84 0"; t["0F"] = "1 0 80 0"; t["17"] = "0 1 7c 0"; t["1A"] = "0 1 7e 0"
        t["25"] = "0 1 7f 0"; t["2B"] = "1 1 7d 0"; t["2E"] = "0 1 87 0"; t["33"] = "1 1 83 0"
        t["1C"] = "0 0 26 1"; t["24"] = "1 0 26 1"; t["26"] = "0 1 26 1"; t["22"] = "0 0 28 1"
        t["27"] = "1 0 28 1"; t["29"] = "0 1 28 1"; t["1E"] = "0 0 25 1"; t["20"] = "0 0 27 1"
        t["1F"] = "0 0 0d 1"
        last = ""; counter = 0
    }
    {
        c = toupper($1)
        if (c == "00") { counter++; last = ""; next }
        if (c == last) {
            if (counter < 10) { counter += 2; next }
            counter++
        } else { counter = 1; last = c }
        if (!(c in t)) next
        split(t[c], e, " ")
        if (kind == "input") print "I:0x" e[3]
        else if (e[4] == 1) print "D:0x" e[3]
        else print "K:0x" e[3] "/0x" sprintf("%x", 1 + 65536 * e[1] + 131072 * e[2])
    }'
}

# seen NAME MARK: what reached viewer NAME after MARK, in the model's words;
# the modifier keys that come through the input stream around a direction
# key are no delivery and left out
seen() {
    e2e_since "$(log_of "$1")" "$2" | awk '
        $2 == "keyhook" { w = $4; l = $5; sub("w=", "", w); sub("l=", "", l); print "K:" w "/" l }
        $2 == "keydown" && / src=posted / { v = $4; sub("vk=", "", v); print "D:" v }
        $2 == "keydown" && / src=input / && $3 == "win=main" {
            v = $4; sub("vk=", "", v); if (v != "0x10" && v != "0x11") print "I:" v }'
}

# ---------------------------------------------------------------------------
# Figures

EXPECTED=0 DELIVERED=0 MISSING=0 UNEXPECTED=0
FRONT_TAPS=0 FRONT_SEEN=0
REPORTS_SENT=0
ROLLOVERS=0 LOGGED_LINES=0 OLD_ID="" OLD_OVERSIZE=0
PING_MAX=0 CRASHES=0 HANGS=0 STUCK=0
STEP_FAILURES=0
LOG_LINE='^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} '

fail_step() {
    echo "  FAILED: $*"
    FAILED=1
    STEP_FAILURES=$((STEP_FAILURES + 1))
}

# compare WHAT EXPECTED_FILE NAME MARK: the deliveries seen by NAME against
# the model's, in order; adds to the figures
compare() {
    local what=$1 file=$2 name=$3 mark=$4 want got missing extra
    want=$(grep -c . "$file")
    seen "$name" "$mark" >"$file.seen"
    got=$(grep -c . "$file.seen")
    EXPECTED=$((EXPECTED + want))
    if cmp -s "$file" "$file.seen"; then
        DELIVERED=$((DELIVERED + want))
        return 0
    fi
    missing=$(diff "$file" "$file.seen" | grep -c '^<')
    extra=$(diff "$file" "$file.seen" | grep -c '^>')
    DELIVERED=$((DELIVERED + want - missing))
    MISSING=$((MISSING + missing))
    UNEXPECTED=$((UNEXPECTED + extra))
    fail_step "$what: $name saw $got deliveries, the model $want: $missing missing, $extra not expected; first differences (expected < > seen):"
    diff "$file" "$file.seen" | grep '^[<>]' | head -n 6 | sed 's/^/      /'
}

# nothing_seen WHAT NAME MARK: no delivery reached NAME
nothing_seen() {
    local got
    got=$(seen "$2" "$3" | grep -c .)
    [ "$got" = 0 ] && return 0
    UNEXPECTED=$((UNEXPECTED + got))
    fail_step "$1: $2 got $got deliveries meant for no one there: $(seen "$2" "$3" | head -n 4 | tr '\n' ' ')"
}

# procstat PID: the figures of one process, its errors among them. One run
# takes a moment; a run that hangs is ended after a minute, not after the
# whole run's backstop, so that it can be tried again.
procstat() { KV_TIMEOUT=60 kv_wine "$KV_BIN/procstat.exe" "$@" 2>&1; }
# measured RC OUTPUT: procstat's output holds the process's line (e2e_retry)
measured() { grep -aq '^pid=' <<<"$2"; }

# sample LABEL: one line of figures into $OUT/samples.tsv; the values in S_*.
# Taking the figures tests nothing, so a procstat run that answered nothing
# is tried again (e2e_retry) before the sample fails; RETRIED_SAMPLES names
# the samples that took more than one try, for the summary.
RETRIED_SAMPLES=()
sample() {
    local line status rc text
    S_INUSE="" S_TABLE="" S_THREADS="" S_GDI="" S_USER="" S_TYPES="" S_RSS="" S_LTHREADS="" S_FDS=""
    e2e_retry measured procstat "$KWIN" >"$E2E_RUN/procstat.out"
    rc=$?
    [ "$E2E_TRIES" = 1 ] || RETRIED_SAMPLES+=("$1 ($E2E_TRIES tries)")
    line=$(grep -a '^pid=' "$E2E_RUN/procstat.out" | head -n1 | tr -d '\r')
    if [ -z "$line" ]; then
        text=$(head -c 300 "$E2E_RUN/procstat.out" | tr '\r\n' '  ')
        fail_step "procstat found no process $KWIN in $E2E_TRIES tries; the last ended with exit code $rc, printing ${text:-nothing}"
        return 1
    fi
    field() { printf '%s\n' "$line" | tr ' ' '\n' | sed -n "s/^$1=//p"; }
    S_INUSE=$(field inuse); S_TABLE=$(field table); S_THREADS=$(field threads)
    S_GDI=$(field gdi); S_USER=$(field user); S_TYPES=$(field types); S_TIDS=$(field tids)
    status=/proc/$KLIN/status
    S_RSS=$(awk '/^RssAnon:/ {print $2}' "$status" 2>/dev/null)
    S_LTHREADS=$(awk '/^Threads:/ {print $2}' "$status" 2>/dev/null)
    S_FDS=$(find "/proc/$KLIN/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l)
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$1" "$(elapsed)" "$REPORTS_SENT" "$S_INUSE" \
        "$S_TABLE" "$S_THREADS" "$S_GDI" "$S_USER" "$S_RSS" "$S_LTHREADS" "$S_FDS" "$S_TYPES" "$S_TIDS" \
        >>"$OUT/samples.tsv"
}

elapsed() { echo $(($(date +%s) - T_START)); }

# settled_sample LABEL: a sample taken once the program has been idle a
# moment, so that the figures are not caught in the middle of a press
settled_sample() {
    sleep 2
    w send "$K_HWND" 0 0 0 >/dev/null && w send "$K_HWND" 0 0 0 >/dev/null
    sample "$1"
}

# alive WHAT: Korvanta still runs, answers a sent message within 1 s, and no
# modifier is down
alive() {
    local ms
    if ! kill -0 "$KLIN" 2>/dev/null; then
        CRASHES=$((CRASHES + 1))
        fail_step "$1: Korvanta is gone"
        return 1
    fi
    if w ping "$K_HWND" 1000; then
        ms=${E2E_REPLY[0]}
        [ "$ms" -gt "$PING_MAX" ] && PING_MAX=$ms
    else
        HANGS=$((HANGS + 1))
        fail_step "$1: no answer within 1 s"
    fi
    w modifiers || return 1
    if [ "${E2E_REPLY[0]}" != "shift=0 ctrl=0" ]; then
        STUCK=$((STUCK + 1))
        fail_step "$1: ${E2E_REPLY[0]}"
    fi
}

# rollover_watch: the press log moves to Korvanta.log.old at 1 MB; a new
# .old (another file, by inode and time) is a rollover, whose lines are
# counted before the next one replaces it. A round writes far less than
# 1 MB, so no rollover goes unseen between two looks.
rollover_watch() {
    local old=$E2E_APP/Korvanta.log.old id size
    [ -f "$old" ] || return 0
    id=$(stat -c '%i %Y %s' "$old")
    [ "$id" = "$OLD_ID" ] && return 0
    OLD_ID=$id
    ROLLOVERS=$((ROLLOVERS + 1))
    size=$(stat -c %s "$old")
    [ "$size" -le 1048576 ] || OLD_OVERSIZE=$((OLD_OVERSIZE + 1))
    LOGGED_LINES=$((LOGGED_LINES + $(grep -acE "$LOG_LINE" "$old")))
}

# ---------------------------------------------------------------------------
# Driving

# send_tap CODE: one press and its release
send_tap() { tap "$1" && REPORTS_SENT=$((REPORTS_SENT + 2)); }

# front NAME: the viewer NAME in front and active, and the pointer resting on
# it, so that the X server's pointer focus cannot move Wine's foreground,
# then settled (settled_foreground: a press while the focus passes through no
# window would be lost to every listener). (No --sync: xdotool would wait for
# a motion that never comes when the pointer is there already.)
front() {
    local hwnd
    hwnd=$(eval echo "\$V_$1")
    w foreground "$hwnd" || return 1
    w rect "$hwnd" || return 1
    set -- "$1" ${E2E_REPLY[0]}
    xdotool mousemove $((($2 + $4) / 2)) $((($3 + $5) / 2))
    settled_foreground "$1" "$hwnd"
}

# play NAME KIND SEED COUNT WHAT [OTHER]: COUNT seeded reports played back to back;
# viewer NAME must receive exactly what the model expects of them (KIND hook
# or input), and OTHER (a viewer name, or empty) nothing
play() {
    local name=$1 kind=$2 seed=$3 count=$4 what=$5 other=${6:-} file m mo want i
    file=$E2E_RUN/codes-$seed
    soak_codes "$seed" "$count" >"$file"
    soak_expected "$kind" <"$file" >"$file.expected"
    want=$(grep -c . "$file.expected")
    m=$(mark "$name")
    [ -n "$other" ] && mo=$(mark "$other")
    feed play "$(winepath_w "$file")" || { fail_step "$what: the receiver did not play the reports"; return 1; }
    REPORTS_SENT=$((REPORTS_SENT + count))
    # a direction key holds Korvanta for 40 ms: time for all of them
    for ((i = 0; i < 400 + want * 3; i++)); do
        [ "$(seen "$name" "$m" | grep -c .)" -ge "$want" ] && break
        sleep 0.05
    done
    quiet
    compare "$what" "$file.expected" "$name" "$m"
    [ -n "$other" ] && nothing_seen "$what" "$other" "$mo"
    return 0
}

# probe MODE: tells the modes apart with W, a program that is no viewer, in
# front and R behind it: Shift+F13 goes as "TVTest KeyHook" to R in mode 1,
# to no one in mode 2, and is typed into W in mode 0
probe() {
    local mode=$1 mr mw
    front W || return 1
    mr=$(mark "$R"); mw=$(mark W)
    send_tap 08 || return 1
    case $mode in
        1)
            wait_for "$R" "$mr" ' keyhook ' 1 10
            quiet
            printf 'K:0x7c/0x10001\n' >"$E2E_RUN/probe.expected"
            compare "mode 1 probe" "$E2E_RUN/probe.expected" "$R" "$mr"
            nothing_seen "mode 1 probe" W "$mw" ;;
        2)
            quiet
            nothing_seen "mode 2 probe (no viewer in front)" "$R" "$mr"
            nothing_seen "mode 2 probe (no viewer in front)" W "$mw" ;;
        0)
            wait_for W "$mw" ' keydown win=main vk=0x7c .*src=input ' 1 10
            quiet
            printf 'I:0x7c\n' >"$E2E_RUN/probe.expected"
            compare "mode 0 probe" "$E2E_RUN/probe.expected" W "$mw"
            nothing_seen "mode 0 probe" "$R" "$mr" ;;
    esac
    front "$R" || return 1
}

# ---------------------------------------------------------------------------
# The tray menu, by real clicks

TRAY_RESTARTED=0
ITEM_DY=()

# menu_up: opens the menu: a real click on the icon in Wine's notification
# area, or, once that has gone, the icon's callback message as the new
# notification area sends it for a click (the menu opens at the pointer)
menu_up() {
    local i
    if [ "$TRAY_RESTARTED" = 0 ]; then
        menu_open 1 0 0 || return 1
    else
        w post "$K_HWND" 0x464 1 0x201 || return 1
        for ((i = 0; i < 100; i++)); do
            if w find "#32768" 2>/dev/null; then
                MENU=${E2E_REPLY[0]}
                w rect "$MENU" && [ "${E2E_REPLY[0]##* }" = 1 ] && break
            fi
            sleep 0.05
        done
        [ "$i" -lt 100 ] || { echo "    no menu shown"; return 1; }
        MENU_RECT=${E2E_REPLY[0]% *}
    fi
    [ ${#ITEM_DY[@]} -gt 0 ] || menu_learn
}

# menu_learn: the items' places, read once from a picture of the open menu
# (cases_tray.sh's menu_rows), as distances from the menu's top
menu_learn() {
    local top kind a b
    picture menu-layout || return 1
    read -r _ top _ _ <<<"$MENU_RECT"
    while read -r kind a b _; do
        [ "$kind" = item ] && ITEM_DY+=($(((a + b) / 2 - top)))
    done < <(menu_rows menu-layout)
    info "the menu's items at $(printf '%s ' "${ITEM_DY[@]}")pixels below its top; it reads '$(menu_signature menu-layout)'"
    [ ${#ITEM_DY[@]} = 8 ] || { echo "    ${#ITEM_DY[@]} items read from the menu, not 8"; ITEM_DY=(); return 1; }
}

# menu_click N: a real click on the N-th item (1 to 8) of the open menu;
# returns once the menu has gone and Korvanta has handled the command
menu_click() {
    local l t r
    read -r l t r _ <<<"$MENU_RECT"
    x_click $(((l + r) / 2)) $((t + ITEM_DY[$1 - 1])) || return 1
    menu_closed || return 1
    w send "$K_HWND" 0 0 0 >/dev/null && w send "$K_HWND" 0 0 0 >/dev/null
}

set_mode() { # MODE by|click|command
    if [ "$2" = click ]; then
        menu_up && menu_click $(($1 + 1)) || return 1
    else
        e2e_korvanta_cmd $((110 + $1)) || return 1
        w send "$K_HWND" 0 0 0 >/dev/null && w send "$K_HWND" 0 0 0 >/dev/null
    fi
}

# lock_on: TVTestロックオン clicked, then B's picture: the press is
# swallowed, its release reaches B
lock_on() {
    local mb pic
    menu_up && menu_click 5 || return 1
    pic=$(picture_of B)
    w rect "$pic" || return 1
    set -- ${E2E_REPLY[0]}
    mb=$(mark B)
    x_click $((($1 + $3) / 2)) $((($2 + $4) / 2)) || return 1
    wait_for B "$mb" ' lbuttonup ' 1 10 || { fail_step "lock-on: the click's release never reached B"; return 1; }
    [ "$(buttons B "$mb")" = "up:picture" ] || { fail_step "lock-on: B's picture saw '$(buttons B "$mb")'"; return 1; }
}

lock_off() { menu_up && menu_click 5; }

# dialog_from_menu ITEM NAME BUTTON N: opens Korvanta's dialog NAME with the
# menu's ITEM-th item and closes it as N says: by a click on its control
# BUTTON, by Escape, or by a click on its close box (dialog_way)
dialog_from_menu() {
    local item=$1 name=$2 button=$3 n=$4 d l t
    menu_up && menu_click "$item" || return 1
    w wait "#32770" 5 || { fail_step "$name: none opened"; return 1; }
    d=${E2E_REPLY[0]}
    w pid "$d" && [ "${E2E_REPLY[0]}" = "$KWIN" ] || { fail_step "$name: not Korvanta's"; return 1; }
    w rect "$d" || return 1
    read -r l t _ _ _ <<<"${E2E_REPLY[0]}"
    case $((n % 3)) in
        0)
            w item "$d" "$button" && w rect "${E2E_REPLY[0]}" || return 1
            set -- ${E2E_REPLY[0]}
            x_click $((($1 + $3) / 2)) $((($2 + $4) / 2)) || return 1 ;;
        1) xdotool mousemove --sync $((l + 20)) $((t + 40)) click 1 key Escape || return 1 ;;
        2)
            w closebox "$d" || return 1
            x_click ${E2E_REPLY[0]} || return 1 ;;
    esac
    w wait-gone "$d" 5 || { fail_step "$name: still open after $(dialog_way "$n" "$button")"; return 1; }
}
dialog_way() { # N BUTTON
    case $(($1 % 3)) in
        0) [ "$2" = 1 ] && echo "a click on OK" || echo "a click on キャンセル" ;;
        1) echo Escape ;;
        2) echo "a click on its close box" ;;
    esac
}

# about N: the About box, closed by OK (IDOK), Escape or its close box
about() { dialog_from_menu 7 "About box" 1 "$1"; }
about_way() { dialog_way "$1" 1; }

# settings_window N: the settings window, closed without a change by
# キャンセル (IDCANCEL), Escape or its close box; opened and closed again and
# again, it must leave nothing behind
settings_window() { dialog_from_menu 6 "settings window" 2 "$1"; }
settings_way() { dialog_way "$1" 2; }

# front_taps N: N taps of 0x21 with R in front and B behind it: each
# activates B (the next viewer process in the cycle, or the first when R's
# is the newest). R is put in front, settled, before each, as the presses
# played before the first may have left the focus on its way; the release
# waits for B's activation (tap_front).
front_taps() {
    local j mb ml resent activated
    for ((j = 0; j < $1; j++)); do
        front "$R" || return 1
        mb=$(mark B)
        ml=$(grep -ac . "$E2E_APP/Korvanta.log" 2>/dev/null)
        FRONT_TAPS=$((FRONT_TAPS + 1))
        REPORTS_SENT=$((REPORTS_SENT + 2))
        resent=$TAP_FRONT_RESENT
        tap_front B "$mb" && activated=1 || activated=0
        if [ "$TAP_FRONT_RESENT" != "$resent" ]; then
            REPORTS_SENT=$((REPORTS_SENT + TAP_FRONT_RESENT - resent))
            echo "  info: 0x21's release was lost while the foreground moved under Wine: sent again"
        fi
        if [ "$activated" = 1 ]; then
            FRONT_SEEN=$((FRONT_SEEN + 1))
        else
            # whether the press reached Korvanta at all tells Wine's part
            # from Korvanta's
            w fg >/dev/null
            fail_step "0x21: B was not activated (in front: ${E2E_REPLY[0]:-?}; Korvanta logged since the tap:" \
                "$(tail -n +"$((ml + 1))" "$E2E_APP/Korvanta.log" | tr '\r\n' '  ' | head -c 400))"
        fi
    done
    front "$R"
}

# end_viewer HOW: R ended by SIGKILL of its process, by TerminateProcess or
# by WM_CLOSE
end_viewer() {
    case $(($1 % 3)) in
        0) kill -KILL "$(e2e_wine_pid "$R_SHELL")" || return 1 ;;
        1) w kill "$P_R" || return 1 ;;
        2) w close "$V_R" || return 1 ;;
    esac
    w wait-gone "$V_R" 10
}
end_way() { case $(($1 % 3)) in 0) echo "killed (SIGKILL)" ;; 1) echo "terminated (TerminateProcess)" ;; 2) echo "closed (WM_CLOSE)" ;; esac; }

# tray_restart: Wine's notification area ends with explorer; a stand-in
# takes its place and announces itself, as the shell does when it restarts
tray_restart() {
    local epid
    w find Shell_TrayWnd || return 1
    w pid "${E2E_REPLY[0]}" || return 1
    epid=${E2E_REPLY[0]}
    w kill "$epid" || return 1
    if w find Shell_TrayWnd >/dev/null 2>&1; then fail_step "the notification area is still there"; return 1; fi
    alive "the notification area ended"
    e2e_viewer T "Shell_TrayWnd" --no-hook --tray --pos 0 700 || return 1
    wait_for T 0 "trayicon op=0 owner=$K_HWND id=1 " 1 10 ||
        { fail_step "Korvanta did not add its icon to the new notification area"; return 1; }
    TRAY_RESTARTED=1
    info "the notification area restarted: explorer (pid $epid) killed, Korvanta's icon added to the new one"
}

# one round: see the top of this file
round() {
    local i=$1 budget=$2 mode how class lock about_n chunk lockchunk
    mode=$(((i - 1) % 3 == 0 ? 1 : (i - 1) % 3 == 1 ? 2 : 0))
    how=$([ $((i % 4)) = 1 ] && echo click || echo command)
    class=$([ $((i % 2)) = 1 ] && echo "TVTest Window" || echo "TVH264 Window")
    lock=$((i % 2))
    about_n=$(((i - 1) / 3))

    R=R$i
    if ! e2e_viewer "$R" "$class" --channel visible --no-hook --pos 60 60; then
        fail_step "round $i: the viewer did not start: $(tr '\r\n' '  ' <"$E2E_RUN/$R.out" | head -c 400)"
        return 1
    fi
    R_SHELL=${E2E_PIDS[${#E2E_PIDS[@]} - 1]}
    V_R=$(eval echo "\$V_$R")
    P_R=$(eval echo "\$P_$R")
    front "$R" || return 1

    set_mode "$mode" "$how" || { fail_step "round $i: mode $mode by $how"; return 1; }
    front "$R" || return 1
    probe "$mode" || return 1

    # what the round's reports go to: the probe, two 0x21 taps and, with
    # lock-on, a sentinel tap take 2 reports each
    local fixed=$((2 + 4 + lock * 2))
    chunk=$((budget - fixed))
    lockchunk=$((lock ? chunk / 4 : 0))
    chunk=$((chunk - lockchunk))
    local kind
    kind=$([ "$mode" = 0 ] && echo input || echo hook)
    play "$R" "$kind" "$((SEED + i))" "$chunk" "round $i, mode $mode, $class in front" B || return 1
    front_taps 2 || return 1

    if [ "$lock" = 1 ]; then
        lock_on || { fail_step "round $i: lock-on by clicks"; return 1; }
        front "$R" || return 1
        play B hook "$((SEED + 100000 + i))" "$lockchunk" "round $i, locked on B, $class in front" "$R" || return 1
        lock_off || { fail_step "round $i: lock-on dropped by a click"; return 1; }
        front "$R" || return 1
        local mr
        mr=$(mark "$R")
        send_tap 08 || return 1
        if [ "$mode" = 0 ]; then
            wait_for "$R" "$mr" ' keydown win=main vk=0x7c .*src=input ' 1 10
            printf 'I:0x7c\n' >"$E2E_RUN/sentinel.expected"
        else
            wait_for "$R" "$mr" ' keyhook ' 1 10
            printf 'K:0x7c/0x10001\n' >"$E2E_RUN/sentinel.expected"
        fi
        quiet
        compare "round $i, after the lock was dropped" "$E2E_RUN/sentinel.expected" "$R" "$mr"
    fi

    if [ $((i % 3)) = 1 ]; then
        about "$about_n" || { fail_step "round $i: About box, closed by $(about_way "$about_n")"; return 1; }
        front "$R" || return 1
    fi
    if [ $((i % 3)) = 2 ]; then
        settings_window "$i" || { fail_step "round $i: settings window, closed by $(settings_way "$i")"; return 1; }
        front "$R" || return 1
    fi

    end_viewer "$i" || { fail_step "round $i: the viewer could not be $(end_way "$i")"; return 1; }
    alive "round $i"
    rollover_watch
    LAST_ROUND=$i
    echo "  round $i: mode $mode (by $how), $class, $chunk reports$([ "$lock" = 1 ] && echo " + $lockchunk locked")$([ $((i % 3)) = 1 ] && echo ", About by $(about_way "$about_n")")$([ $((i % 3)) = 2 ] && echo ", settings window closed by $(settings_way "$i")"), viewer $(end_way "$i"); $REPORTS_SENT reports so far, $(elapsed) s"
}

# ---------------------------------------------------------------------------
# The run of one executable

soak_run() {
    local rounds budget warm middle i
    trap 'e2e_env_down' EXIT
    trap 'exit 143' TERM INT
    mkdir -p "$OUT" && rm -f "$OUT/samples.tsv" "$OUT/summary.txt"
    rm -rf "$OUT/pictures" && mkdir -p "$OUT/pictures"
    # where cases_tray.sh's picture() puts the screen
    # shellcheck disable=SC2034
    PICS=$OUT/pictures
    SEED=${SOAK_SEED:-20261207}
    T_START=$(date +%s)
    e2e_env_up "$TOOLS" "$EXE" || { echo "  FAILED (setup): environment"; return 1; }
    echo "Korvanta.exe: $EXE ($ARCH), $REPORTS reports"

    rounds=$((REPORTS / 500))
    [ "$rounds" -lt 6 ] && rounds=6
    [ "$rounds" -gt 200 ] && rounds=200
    budget=$((REPORTS / rounds))
    warm=3
    middle=$((rounds / 2))

    e2e_desktop_look --frames || { echo "  FAILED (setup): registry"; return 1; }
    write_ini "[Korvanta]" "TVTC_MODE=00000001" "Log=1"
    # a press log just short of its 1 MB: the first rollover comes at once
    awk 'BEGIN { while (n < 1048576 - 4096) { s = sprintf("filler line %06d, written before the run\r\n", ++i); printf "%s", s; n += length(s) } }' \
        >"$E2E_APP/Korvanta.log"

    e2e_viewer W "Soak Watcher" --pos 520 420 || return 1
    e2e_viewer B "TVTest Window" --channel visible --picture --no-hook --pos 520 60 || return 1
    e2e_korvanta_start || { echo "  FAILED (setup): Korvanta did not start"; return 1; }
    w pid "$K_HWND" && KWIN=${E2E_REPLY[0]}
    KLIN=$(e2e_wine_pid "$K_PID")
    [ -n "$KWIN" ] && [ -n "$KLIN" ] || { echo "  FAILED (setup): Korvanta's process not found"; return 1; }
    info "Korvanta: Windows pid $KWIN, Linux pid $KLIN ($(readlink "/proc/$KLIN/exe"))"
    tray_icon_point || { echo "  FAILED (setup): no icon in the notification area"; return 1; }
    icon_drawn || { echo "  FAILED (setup): the icon never showed"; return 1; }
    printf 'label\tseconds\treports\thandles_in_use\thandle_table\tthreads\tgdi\tuser\trss_anon_kB\tlinux_threads\tlinux_fds\thandle_types\tthread_ids\n' \
        >"$OUT/samples.tsv"
    sample start

    LAST_ROUND=0
    for ((i = 1; i <= rounds; i++)); do
        # the last round takes what is left of the count
        if [ "$i" = "$rounds" ]; then budget=$((REPORTS - REPORTS_SENT)); fi
        round "$i" "$budget" || { fail_step "the run ended in round $i"; break; }
        if [ "$i" = "$warm" ]; then
            settled_sample warm-up
            W_INUSE=$S_INUSE W_TABLE=$S_TABLE W_THREADS=$S_THREADS W_GDI=$S_GDI W_USER=$S_USER W_RSS=$S_RSS
            W_LTHREADS=$S_LTHREADS W_FDS=$S_FDS W_TYPES=$S_TYPES W_REPORTS=$REPORTS_SENT
            info "after the warm-up ($REPORTS_SENT reports): $S_INUSE handles in use (table $S_TABLE), $S_THREADS threads, RssAnon $S_RSS kB"
        else
            sample "round-$i"
        fi
        if [ "$i" = "$middle" ]; then
            tray_restart || { fail_step "the notification area restart"; break; }
            sample tray-restart
        fi
    done

    # the end: everything delivered, no modifier down, every report logged
    alive "the end"
    local want_lines=$REPORTS_SENT lines
    for ((i = 0; i < 100; i++)); do
        lines=$(grep -acE "$LOG_LINE" "$E2E_APP/Korvanta.log")
        [ $((LOGGED_LINES + lines)) -ge "$want_lines" ] && break
        sleep 0.05
    done
    rollover_watch
    lines=$(grep -acE "$LOG_LINE" "$E2E_APP/Korvanta.log")
    LOGGED_LINES=$((LOGGED_LINES + lines))
    settled_sample end
    E_INUSE=$S_INUSE E_TABLE=$S_TABLE E_THREADS=$S_THREADS E_GDI=$S_GDI E_USER=$S_USER E_RSS=$S_RSS
    E_LTHREADS=$S_LTHREADS E_FDS=$S_FDS E_TYPES=$S_TYPES
    # the modifier events the watcher's keyboard hook saw, and the last of each
    MOD_EVENTS=$(awk '$2 == "ll" && ($4 == "vk=0x10" || $4 == "vk=0x11") { n[$4 " " $3]++; last[$4] = $3 }
        END { printf "Shift down %d up %d, last %s; Ctrl down %d up %d, last %s",
              n["vk=0x10 down"], n["vk=0x10 up"], last["vk=0x10"] ? last["vk=0x10"] : "none",
              n["vk=0x11 down"], n["vk=0x11 up"], last["vk=0x11"] ? last["vk=0x11"] : "none" }' "$(log_of W)")
    MOD_LAST_UP=$(awk '$2 == "ll" && ($4 == "vk=0x10" || $4 == "vk=0x11") { last[$4] = $3 }
        END { print (last["vk=0x10"] != "down" && last["vk=0x11"] != "down") ? 1 : 0 }' "$(log_of W)")
    w modifiers && MODS_END=${E2E_REPLY[0]}
    EXIT_CODE=""
    e2e_korvanta_cmd 105 && e2e_korvanta_wait_exit 20
    EXIT_CODE=$K_EXIT
    T_TOTAL=$(elapsed)
    figures "$rounds" >"$OUT/summary.txt"
    cat "$OUT/summary.txt"
    [ "$FAILED" = 0 ]
}

# judge NAME TEST...: NAME becomes PASS or FAIL by the test; a failure fails the run
judge() {
    local name=$1
    shift
    if "$@"; then printf -v "$name" PASS; else printf -v "$name" FAIL; FAILED=1; fi
}
no_growth() { [ -n "$1" ] && [ -n "$2" ] && [ "$2" -le "$1" ]; }
within2() { [ -n "$1" ] && [ -n "$2" ] && [ $(($2 * 100)) -le $(($1 * 102)) ]; }
answered() { [ "${1:-0}" -gt 0 ] && [ "${2:-0}" -gt 0 ]; }
row() { printf '  %-32s %13s %11s %9s   %s\n' "$@"; }

figures() {
    local rounds=$1 v_in v_tab v_thr v_gdi v_user v_rss v_press v_front v_log v_mods v_life v_steps
    judge v_in no_growth "${W_INUSE:-}" "${E_INUSE:-}"
    judge v_tab no_growth "${W_TABLE:-}" "${E_TABLE:-}"
    judge v_thr no_growth "${W_THREADS:-}" "${E_THREADS:-}"
    v_gdi="not answered by Wine (GetGuiResources gave ${W_GDI:-?} and ${E_GDI:-?})"
    answered "${W_GDI:-}" "${E_GDI:-}" && judge v_gdi no_growth "$W_GDI" "$E_GDI"
    v_user="not answered by Wine (GetGuiResources gave ${W_USER:-?} and ${E_USER:-?})"
    answered "${W_USER:-}" "${E_USER:-}" && judge v_user no_growth "$W_USER" "$E_USER"
    judge v_rss within2 "${W_RSS:-}" "${E_RSS:-}"
    judge v_press test "$EXPECTED" -gt 0 -a "$DELIVERED" = "$EXPECTED" -a "$MISSING" = 0 -a "$UNEXPECTED" = 0
    judge v_front test "$FRONT_TAPS" -gt 0 -a "$FRONT_SEEN" = "$FRONT_TAPS"
    judge v_log test "$LOGGED_LINES" = "$REPORTS_SENT" -a "$ROLLOVERS" -ge 1 -a "$OLD_OVERSIZE" = 0
    judge v_mods test "${MODS_END:-}" = "shift=0 ctrl=0" -a "$STUCK" = 0 -a "${MOD_LAST_UP:-0}" = 1
    judge v_life test "$CRASHES" = 0 -a "$HANGS" = 0 -a "${EXIT_CODE:-}" = 0
    judge v_steps test "$STEP_FAILURES" = 0 -a "$LAST_ROUND" = "$rounds"

    echo
    echo "== soak figures: $ARCH, $REPORTS_SENT reports in $LAST_ROUND of $rounds rounds, $T_TOTAL s"
    echo "   (warm-up: the first 3 rounds, ${W_REPORTS:-?} reports; the notification area restarted after round $((rounds / 2)))"
    row "measure" "after warm-up" "at the end" "change" "verdict"
    row "open handles (in use)" "${W_INUSE:-?}" "${E_INUSE:-?}" "$(delta "${W_INUSE:-}" "${E_INUSE:-}")" "$v_in (no growth)"
    row "  handle table (Wine's count)" "${W_TABLE:-?}" "${E_TABLE:-?}" "$(delta "${W_TABLE:-}" "${E_TABLE:-}")" "$v_tab (no growth)"
    row "threads" "${W_THREADS:-?}" "${E_THREADS:-?}" "$(delta "${W_THREADS:-}" "${E_THREADS:-}")" "$v_thr (no growth)"
    if answered "${W_GDI:-}" "${E_GDI:-}"; then
        row "GDI objects" "$W_GDI" "$E_GDI" "$(delta "$W_GDI" "$E_GDI")" "$v_gdi (no growth)"
    else
        row "GDI objects" "-" "-" "-" "$v_gdi"
    fi
    if answered "${W_USER:-}" "${E_USER:-}"; then
        row "USER objects" "$W_USER" "$E_USER" "$(delta "$W_USER" "$E_USER")" "$v_user (no growth)"
    else
        row "USER objects" "-" "-" "-" "$v_user"
    fi
    row "private memory (RssAnon, kB)" "${W_RSS:-?}" "${E_RSS:-?}" "$(pct "${W_RSS:-}" "${E_RSS:-}")" "$v_rss (growth at most 2 %)"
    row "  Linux threads" "${W_LTHREADS:-?}" "${E_LTHREADS:-?}" "$(delta "${W_LTHREADS:-}" "${E_LTHREADS:-}")" "(for information)"
    row "  Linux file descriptors" "${W_FDS:-?}" "${E_FDS:-?}" "$(delta "${W_FDS:-}" "${E_FDS:-}")" "(for information)"
    echo "  handles by type after the warm-up: ${W_TYPES:-?}"
    echo "  handles by type at the end:        ${E_TYPES:-?}"
    echo "  presses: the model expects $EXPECTED deliveries; delivered $DELIVERED, missing $MISSING, not expected $UNEXPECTED: $v_press"
    echo "  front button 0x21: $FRONT_TAPS taps, $FRONT_SEEN activations of the other viewer: $v_front"
    echo "  press log: $REPORTS_SENT reports sent, $LOGGED_LINES lines logged, $ROLLOVERS rollovers, $OLD_OVERSIZE older files over 1 MB: $v_log"
    echo "  modifiers at the end: ${MODS_END:-?}; rounds that ended with one down: $STUCK: $v_mods"
    echo "    (the watcher's keyboard hook saw ${MOD_EVENTS:-?})"
    echo "  Korvanta: crashes $CRASHES, hangs $HANGS (slowest answer to a sent message $PING_MAX ms), exit code at the end ${EXIT_CODE:-?}: $v_life"
    echo "  steps that failed: $STEP_FAILURES: $v_steps"
    echo "  procstat samples that needed a retry: $([ ${#RETRIED_SAMPLES[@]} = 0 ] && echo none || printf '%s; ' "${RETRIED_SAMPLES[@]}" | sed 's/; $//')"
    echo "  samples after every round: $OUT/samples.tsv"
    echo "== $([ "$FAILED" = 0 ] && echo PASS || echo FAIL) ($ARCH)"
}

delta() {
    [ -n "$1" ] && [ -n "$2" ] || { echo "?"; return; }
    printf '%+d' $(($2 - $1))
}
pct() {
    [ -n "$1" ] && [ -n "$2" ] && [ "$1" -gt 0 ] || { echo "?"; return; }
    printf '%+.2f %%' "$(echo "scale=4; ($2 - $1) * 100 / $1" | bc)"
}

# ---------------------------------------------------------------------------
# Main

if [ -n "$inner" ]; then
    # SOAK_TRACE=1: every command of the run, with the time, on stderr
    if [ -n "${SOAK_TRACE:-}" ]; then PS4='+ $EPOCHREALTIME ' && set -x; fi
    EXE=${exes[0]:?}
    ARCH=$inner
    soak_run
    exit $?
fi

e2e_exes_of ${exes[@]+"${exes[@]}"}
[ ${#arches[@]} -gt 0 ] || arches=(${EXE_ARCHES[@]+"${EXE_ARCHES[@]}"})
[ ${#arches[@]} -gt 0 ] || arches=(x64 x86)
mapfile -t arches < <(printf '%s\n' "${arches[@]}" | awk '!seen[$0]++')

if ! e2e_have_prerequisites "${arches[@]}"; then
    end_missing "$E2E_MISSING"
fi
soak_requirements || end_missing "$SOAK_MISSING"
TOOLS=${TOOLS:-$E2E_REPO/build-e2e/tools}
soak_build_tools "$TOOLS" || { echo "building the helper programs failed"; exit 1; }
TOOLS=$(cd "$TOOLS" && pwd)
e2e_exes_ready "$TOOLS" "${arches[@]}"
kv_template "$TOOLS" >/dev/null || { echo "the Wine prefix template could not be made"; exit 1; }

failed=0
results=()
for a in "${arches[@]}"; do
    out=${OUT:-$(dirname "$TOOLS")/soak}
    [ ${#arches[@]} = 1 ] && [ -n "$OUT" ] || out=$out/$a
    timeout -k 10 $((KV_TIMEOUT + 300)) bash "$0" --inner "$a" --exe "${EXE_OF[$a]}" --tools "$TOOLS" \
        --reports "$REPORTS" --out "$out"
    rc=$?
    [ $rc = 124 ] && echo "  FAILED: timed out"
    results+=("$([ $rc = 0 ] && echo PASS || echo FAIL) $a ($out/summary.txt)")
    [ $rc = 0 ] || failed=1
done
echo "== soak summary ($REPORTS reports each)"
printf '%s\n' "${results[@]}"
exit $failed
