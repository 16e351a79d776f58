# shellcheck shell=bash
# Checks and small helpers shared by every end-to-end case: sourced by
# run_e2e.sh after lib.sh, before the cases_*.sh files.
#
# Each case starts in a fresh environment ($E2E_APP holds the executable
# alone, $ARCH says whether it is the x64 or the x86 one) and returns non-zero
# only for a setup failure; checks set FAILED. A case may also have a
# prepare_<case> function, which the runner calls before starting the case's
# process: it may set CASE_WRAP (a command to run that process under),
# CASE_MISSING (a package it needs that is not installed: a failure under
# KORVANTA_STRICT=1, see tests/skips.sh) or CASE_SKIP (a limit of the machine
# that keeps the case from running).
# Viewer NAMEs are the stand-ins started with e2e_viewer; a MARK is a line
# count of a viewer's log (mark), and the helpers look at what came after it.

FAILED=0

check() {
    local desc=$1
    shift
    if "$@"; then
        echo "  ok: $desc"
    else
        echo "  FAILED: $desc"
        FAILED=1
    fi
}

# eq ACTUAL EXPECTED: equality that says what differed
eq() {
    [ "$1" = "$2" ] && return 0
    echo "    got:      '$1'"
    echo "    expected: '$2'"
    return 1
}

ge() {
    [ "$1" -ge "$2" ] 2>/dev/null && return 0
    echo "    got $1, expected at least $2"
    return 1
}

info() { echo "  info: $*"; }

# skip REASON: the case cannot run here. It ends as skipped (exit code 77)
# unless a check has failed already; follow it with "return 0".
skip() {
    echo "  SKIP: $*"
    SKIPPED=1
}

# setup steps: a failure there ends the case
need() {
    if ! "$@"; then
        echo "  FAILED (setup): $*"
        FAILED=1
        return 1
    fi
}

log_of() { echo "$E2E_RUN/$1.log"; }

# Wine's notification area lives in explorer, which keeps the balloons to
# itself; the stand-in takes its place (see fault_tray_restart) and logs them.
standin_tray() {
    w find Shell_TrayWnd || return 1
    w pid "${E2E_REPLY[0]}" || return 1
    w kill "${E2E_REPLY[0]}" || return 1
    e2e_viewer T "Shell_TrayWnd" --no-hook --tray --pos 0 700
}

# tray_balloons MARK: "title|text" of each balloon after MARK
tray_balloons() {
    e2e_since "$(log_of T)" "$1" | sed -n 's/^[0-9]* trayballoon flags=[^ ]* title="\(.*\)" text="\(.*\)"$/\1|\2/p'
}

# wait_for NAME MARK ERE [COUNT] [SECONDS]: waits for COUNT matching lines
# after MARK in viewer NAME's log.
wait_for() {
    local file i
    file=$(log_of "$1")
    for ((i = 0; i < ${5:-10} * 50; i++)); do
        [ "$(e2e_count "$file" "$3" "$2")" -ge "${4:-1}" ] && return 0
        sleep 0.02
    done
    return 1
}

count() { e2e_count "$(log_of "$1")" "$3" "$2"; }
mark() { e2e_mark "$(log_of "$1")"; }

# keyhooks NAME MARK: "w/l" pairs of the "TVTest KeyHook" messages after MARK
keyhooks() {
    e2e_since "$(log_of "$1")" "$2" | awk '$2 == "keyhook" {
        w = $4; l = $5; sub("w=", "", w); sub("l=", "", l); printf "%s%s/%s", (n++ ? " " : ""), w, l }
        END { print "" }'
}

# keys NAME MARK: key messages after MARK as "down:win:vk:src:shift:ctrl"
keys() {
    e2e_since "$(log_of "$1")" "$2" | awk '$2 ~ /key(down|up)$/ {
        split($0, f, " "); for (i in f) { split(f[i], kv, "="); v[kv[1]] = kv[2] }
        printf "%s%s:%s:%s:%s:%s:%s", (n++ ? " " : ""), $2, v["win"], v["vk"], v["src"], v["shift"], v["ctrl"] }
        END { print "" }'
}

# ll NAME MARK: low-level hook events after MARK, "10+" for VK_SHIFT down, "11-" for VK_CONTROL up
ll() {
    e2e_since "$(log_of "$1")" "$2" | awk '$2 == "ll" {
        vk = $4; sub("vk=0x", "", vk); printf "%s%s%s", (n++ ? " " : ""), vk, ($3 == "down" ? "+" : "-") }
        END { print "" }'
}

# nothing_reached NAME MARK: no key, no "TVTest KeyHook" after MARK
nothing_reached() {
    local n
    n=$(e2e_since "$(log_of "$1")" "$2" | grep -cE ' (keyhook|keydown|keyup|syskeydown|syskeyup) ')
    [ "$n" = 0 ] && return 0
    echo "    $1 received:"
    e2e_since "$(log_of "$1")" "$2" | grep -E ' (keyhook|keydown|keyup|syskeydown|syskeyup) ' | sed 's/^/      /'
    return 1
}

# Korvanta handles a report within a millisecond or two; this is how long a
# test waits before it takes "nothing arrived" for an answer. A later positive
# check (a sentinel press that must arrive) proves the pipeline was alive.
quiet() { sleep "${E2E_QUIET:-0.5}"; }

tap() { feed tap "$1" 1 20; }

fg_is() {
    w fg || return 1
    [ "${E2E_REPLY[0]%% *}" = "$1" ] && return 0
    echo "    foreground is ${E2E_REPLY[0]}, expected $1"
    return 1
}

# settled_foreground NAME HWND: the stand-in NAME's window HWND in the
# foreground, with no activation of it still under way. Without a window
# manager a new window's focus comes and goes for a moment after it appears,
# and Wine drops raw input while no window is in front (Windows delivers it
# to an input sink whatever is in front), so a press then would be lost
# before Korvanta could see it.
settled_foreground() {
    local tries m
    for ((tries = 0; tries < 10; tries++)); do
        w foreground "$2" >/dev/null || return 1
        m=$(mark "$1")
        sleep 0.3
        [ "$(mark "$1")" = "$m" ] && fg_is "$2" >/dev/null && return 0
    done
    echo "    the foreground did not settle on $2"
    return 1
}

# tap_front NAME MARK: a tap of 0x21 that is to bring viewer NAME forward;
# true when NAME's log shows its activation after MARK. The release goes once
# the activation has come and the foreground has settled: Korvanta moves the
# foreground at the press, and Wine queues no raw input while the focus
# passes between windows. A release lost there would leave the next tap of
# 0x21 to be taken for a repeat of this one (Windows delivers it whatever is
# in front). The release travels on through Wine's driver after the feeder
# has answered, so the caller's next move of the foreground could drop it
# still: it is waited for in Korvanta's press log, and sent once more if it
# never came there (counted in TAP_FRONT_RESENT).
TAP_FRONT_RESENT=0
tap_front() {
    local name=$1 mark=$2 activated=0 hwnd releases
    feed press 21 1 20 || return 1
    if wait_for "$name" "$mark" ' activate wa=[12] ' 1 5; then
        activated=1
        hwnd=$(eval echo "\$V_$name")
        settled_foreground "$name" "$hwnd" >/dev/null
    fi
    releases=$(logged_releases)
    feed release || return 1
    if ! release_logged_after "$releases"; then
        TAP_FRONT_RESENT=$((TAP_FRONT_RESENT + 1))
        feed release || return 1
        release_logged_after "$releases"
    fi
    [ "$activated" = 1 ]
}
# the receiver's releases in Korvanta's press log, when there is one
logged_releases() { grep -acE ' code=00([^0-9A-Fa-f]|$)' "$E2E_APP/Korvanta.log" 2>/dev/null || true; }
# release_logged_after N: within 3 s, the press log holds a release past the
# first N (or no log is kept, or it was rolled over meanwhile)
release_logged_after() {
    local i now
    [ -f "$E2E_APP/Korvanta.log" ] || return 0
    for ((i = 0; i < 150; i++)); do
        now=$(logged_releases)
        [ "${now:-0}" != "$1" ] && return 0
        sleep 0.02
    done
    return 1
}

# zorder_is HWND...: the given windows appear in this order from the top
zorder_is() {
    local order
    w zorder || return 1
    order=$(printf '%s\n' "${E2E_REPLY[@]}" | awk '{print $1}' | grep -xF -f <(printf '%s\n' "$@") | tr '\n' ' ')
    [ "${order% }" = "$*" ] && return 0
    echo "    z-order:"
    printf '      %s\n' "${E2E_REPLY[@]}"
    echo "    expected from the top: $*"
    return 1
}

# within SECONDS COMMAND...: COMMAND succeeds now or within SECONDS
within() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}

ini_text() { kv_text "$E2E_APP/Korvanta.ini"; }

write_ini() { printf '%s\r\n' "$@" >"$E2E_APP/Korvanta.ini"; }

exit_korvanta() {
    e2e_korvanta_cmd 105 || return 1
    e2e_korvanta_wait_exit 20
    eq "$K_EXIT" 0
}

# direction_events SOURCES: "label sender_ms receipt_us" for each modifier
# event and posted key, in the order received; SOURCES is "NAME:MARK", or
# several joined by commas when the events land in several viewers' logs.
# Labels like those of ll(), the posted key as "post".
direction_events() {
    local source
    for source in ${1//,/ }; do
        e2e_since "$(log_of "${source%%:*}")" "${source##*:}"
    done | sort -s -n -k1,1 | awk '
        $2 == "ll" { vk = $4; sub("vk=0x", "", vk); t = $7; sub("time=", "", t)
                     print vk ($3 == "down" ? "+" : "-"), t, $1 }
        $2 == "keydown" && / src=posted / { t = $NF; sub("mtime=", "", t); print "post", t, $1 }'
}

# check_direction SOURCES WHAT EXPECTED MIN_MS...: the modifier events and
# the posted key in SOURCES (see direction_events) are EXPECTED (e.g.
# "11- 10+ post 10-"), in this order on both clocks, and the gaps between
# neighbours on the sender's clock are at least the MIN_MS given for each
# gap. One line with the measured gaps.
check_direction() {
    local sources=$1 what=$2 expected=$3 labels=() ms=() us=() label t u i gap_ms gap_us
    local sender="" receipt="" minima="" problems=""
    shift 3
    while read -r label t u; do
        labels+=("$label"); ms+=("$t"); us+=("$u")
    done < <(direction_events "$sources")
    if [ "${labels[*]:-}" != "$expected" ]; then
        echo "  FAILED: $what: events '${labels[*]:-}', expected '$expected'"
        FAILED=1
        return 1
    fi
    for ((i = 1; i < ${#labels[@]}; i++)); do
        gap_ms=$((ms[i] - ms[i - 1]))
        gap_us=$((us[i] - us[i - 1]))
        sender+=" $gap_ms"
        receipt+=" $((gap_us / 1000)).$((gap_us % 1000 / 100))"
        minima+=" $1"
        [ "$gap_ms" -ge "$1" ] || problems+=" ${labels[i - 1]} to ${labels[i]} only $gap_ms ms;"
        [ "$gap_us" -ge 0 ] || problems+=" ${labels[i]} received before ${labels[i - 1]};"
        shift
    done
    if [ -n "$problems" ]; then
        echo "  FAILED: $what: $expected:$problems"
        FAILED=1
        return 1
    fi
    echo "  ok: $what: $expected, pauses at least${minima} ms (sender clock${sender} ms; receipt${receipt} ms)"
}
