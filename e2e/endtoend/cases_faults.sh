# Faults in the middle of deliveries: a flood of reports, and viewers and
# targets that vanish while presses reach them. The faults around the
# program (receiver, notification area, settings files) are in
# cases_faults_outside.sh, which uses the checks defined here. After every
# fault the program must still be there (no crash), answer a
# sent message within a second (no hang), have left no modifier key down,
# and deliver the next press where the routing says.
#
# Each case ends with one "figures" line: presses that should have been
# delivered and those that were, faults injected, crashes, hangs and stuck
# modifiers seen.

ALL_CASES+=(
    fault_burst
    fault_viewer_killed
    fault_lockon_and_front_killed
)

FAULT_SENT=0 FAULT_ARRIVED=0 FAULT_INJECTED=0 FAULT_CRASHES=0 FAULT_HANGS=0 FAULT_STUCK=0

fault_figures() {
    info "figures: presses to deliver $FAULT_SENT, delivered $FAULT_ARRIVED, faults injected $FAULT_INJECTED," \
        "crashes $FAULT_CRASHES, hangs $FAULT_HANGS, stuck modifiers $FAULT_STUCK"
}

# survived WHAT: Korvanta's process is still there, its window answers a
# sent message within 1 s, and neither Shift nor Ctrl is left down.
survived() {
    local what=$1 kp
    # the program's own process (for the 32-bit one, not the loader's)
    kp=$(e2e_wine_pid "$K_PID")
    if [ -n "$kp" ] && kill -0 "$kp" 2>/dev/null && kill -0 "$K_PID" 2>/dev/null; then
        echo "  ok: $what: Korvanta still running"
    else
        echo "  FAILED: $what: Korvanta is gone"
        FAULT_CRASHES=$((FAULT_CRASHES + 1))
        FAILED=1
        return 1
    fi
    if w ping "$K_HWND" 1000; then
        echo "  ok: $what: answers a sent message (${E2E_REPLY[0]} ms)"
    else
        echo "  FAILED: $what: no answer within 1 s"
        FAULT_HANGS=$((FAULT_HANGS + 1))
        FAILED=1
    fi
    w modifiers || return 1
    if [ "${E2E_REPLY[0]}" = "shift=0 ctrl=0" ]; then
        echo "  ok: $what: no modifier down"
    else
        echo "  FAILED: $what: ${E2E_REPLY[0]}"
        FAULT_STUCK=$((FAULT_STUCK + 1))
        FAILED=1
    fi
}

# delivered NAME MARK ERE [COUNT]: one expected delivery (or COUNT), counted
# in the figures; waits for it like wait_for.
delivered() {
    local n=${4:-1}
    FAULT_SENT=$((FAULT_SENT + n))
    wait_for "$1" "$2" "$3" "$n"
    local got
    got=$(count "$1" "$2" "$3")
    FAULT_ARRIVED=$((FAULT_ARRIVED + (got < n ? got : n)))
    [ "$got" -ge "$n" ]
}

# unix_pid_of_last_viewer: the Wine process of the stand-in started last,
# so that the test can end it the hard way (SIGKILL), as a crash would
unix_pid_of_last_viewer() { e2e_wine_pid "${E2E_PIDS[${#E2E_PIDS[@]} - 1]}"; }

# rss_anon: Korvanta's private memory (RssAnon of its Wine process) in kB
rss_anon() { awk '/^RssAnon:/ {print $2}' "/proc/$(e2e_wine_pid "$K_PID")/status"; }

# deliveries NAME MARK: what reached a viewer, in order: "K:w/l" for a
# "TVTest KeyHook", "D:vk" for a posted direction key
deliveries() {
    e2e_since "$(log_of "$1")" "$2" | awk '
        $2 == "keyhook" { w = $4; l = $5; sub("w=", "", w); sub("l=", "", l); print "K:" w "/" l }
        $2 == "keydown" && / src=posted / { v = $4; sub("vk=", "", v); print "D:" v }'
}

# ---------------------------------------------------------------------------
# The burst: a seeded sequence of reports and what it must deliver.

# burst_codes SEED COUNT: COUNT report codes, one a line. Presses of a code
# from a mixed pool (chords, direction keys, codes without a chord) held for
# 1 to 12 reports, each followed by a release or straight by the next press.
# Code 0x21 is left out: with one viewer its activation shows nothing.
burst_codes() {
    awk -v seed="$1" -v n="$2" 'BEGIN {
        srand(seed)
        split("08 0A 0B 17 2E 01 33 06 2B 1A 1C 24 26 29 1F 02 1B 34 7F", pool, " ")
        while (out < n - 1) {
            code = pool[1 + int(rand() * 19)]
            hold = rand() < 0.3 ? 7 + int(rand() * 6) : 1 + int(rand() * 6)
            for (i = 0; i < hold && out < n - 1; i++) { print code; out++ }
            if (rand() < 0.6 && out < n - 1) { print "00"; out++ }
        }
        print "00"
    }'
}

# expected_deliveries: reads codes, prints the deliveries ("K:w/l" or
# "D:vk") that mode 1 makes of them, by the repeat filter and the button
# table. The filter: a release (code 0) adds 1 to the counter, forgets the
# code and is swallowed; a new code sets the counter to 1 and fires; the same
# code again is swallowed while the counter is below 10, adding 2, and fires
# from then on, adding 1.
expected_deliveries() {
    awk '
    BEGIN {
        # code: shift ctrl vk direction, for the codes burst_codes uses
        t["08"] = "1 0 0x7c 0"; t["0A"] = "1 0 0x7e 0"; t["0B"] = "1 1 0x84 0"; t["17"] = "0 1 0x7c 0"
        t["2E"] = "0 1 0x87 0"; t["01"] = "1 0 0x7d 0"; t["33"] = "1 1 0x83 0"; t["06"] = "0 1 0x83 0"
        t["2B"] = "1 1 0x7d 0"; t["1A"] = "0 1 0x7e 0"; t["1C"] = "0 0 0x26 1"; t["24"] = "1 0 0x26 1"
        t["26"] = "0 1 0x26 1"; t["29"] = "0 1 0x28 1"; t["1F"] = "0 0 0x0d 1"
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
        if (e[4] == 1) print "D:" e[3]
        else print "K:" e[3] "/0x" sprintf("%x", 1 + 65536 * e[1] + 131072 * e[2])
    }'
}

# 1,000 reports back to back into a mode-1 viewer: exactly the presses the
# filter lets through arrive, in order; afterwards no modifier is down, the
# program answers, and its private memory has not grown by more than 5 %.
case_fault_burst() {
    need e2e_viewer A "TVTest Window" --channel visible --no-hook --foreground || return 1
    need w foreground "$V_A" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 111 || return 1
    local m i seed=${E2E_BURST_SEED:-20261207} n=1000 file=$E2E_RUN/burst.codes expected got mem0 mem1
    # a few presses first, so that what is allocated once is in place
    m=$(mark A)
    for i in 08 1C 0B; do need tap $i || return 1; done
    need wait_for A "$m" ' keydown .*src=posted ' || return 1
    need wait_for A "$m" ' keyhook ' 2 || return 1
    quiet
    mem0=$(rss_anon)

    burst_codes "$seed" "$n" >"$file"
    expected=$(expected_deliveries <"$file")
    local want
    want=$(printf '%s\n' "$expected" | grep -c .)
    info "seed $seed: $n reports, $(grep -cx 00 "$file") of them releases; the filter lets $want presses through"
    m=$(mark A)
    need feed play "$(winepath_w "$file")" || return 1
    info "receiver: ${E2E_REPLY[0]}"
    FAULT_INJECTED=$((FAULT_INJECTED + 1))
    FAULT_SENT=$((FAULT_SENT + want))
    # a direction key holds Korvanta for 40 ms: allow for all of them
    wait_for A "$m" ' (keyhook|keydown .*src=posted) ' "$want" 120
    quiet
    got=$(deliveries A "$m")
    FAULT_ARRIVED=$((FAULT_ARRIVED + $(printf '%s\n' "$got" | grep -c .)))
    info "viewer received $(printf '%s\n' "$got" | grep -c .) deliveries"
    check "the deliveries are exactly those the filter and the table give, in order, none twice" \
        eq "$(printf '%s\n' "$got" | md5sum | cut -c1-12) ($(printf '%s\n' "$got" | grep -c .))" \
        "$(printf '%s\n' "$expected" | md5sum | cut -c1-12) ($want)"
    if [ "$got" != "$expected" ]; then
        echo "    first difference (received < > expected):"
        diff <(printf '%s\n' "$got") <(printf '%s\n' "$expected") | head -n 8 | sed 's/^/      /'
    fi
    check "no key came through the input stream to the viewer" \
        eq "$(e2e_since "$(log_of A)" "$m" | grep -c ' keydown .*vk=0x\(7c\|7d\|7e\|83\|84\|87\|26\|28\|0d\) .*src=input ')" 0
    survived "after the burst"
    mem1=$(rss_anon)
    info "Korvanta RssAnon before the burst $mem0 kB, after $mem1 kB"
    check "private memory within 5 % of what it was before" \
        test "$((mem1 * 100))" -le "$((mem0 * 105))" -a "$((mem1 * 100))" -ge "$((mem0 * 95))"
    fault_figures
}

# ---------------------------------------------------------------------------
# Viewers and targets that vanish

# Mode 1, the program in front O, and below it the viewer that is killed
# above B, which survives each time: killed between two presses, in the
# middle of a burst, and inside the 40 ms of a direction key (the stand-in
# ends itself when its keyboard hook sees Korvanta's Shift go down, before
# the key is posted to it). Each time the next press goes to B.
case_fault_viewer_killed() {
    need e2e_viewer B "TVTest Window" --channel visible --no-hook || return 1
    need e2e_viewer A "TVTest Window" --channel visible --no-hook || return 1
    local ua
    ua=$(unix_pid_of_last_viewer)
    need e2e_viewer O "Notepad" --no-hook || return 1
    need w foreground "$V_O" || return 1
    need zorder_is "$V_O" "$V_A" "$V_B" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 111 || return 1
    local m mb

    # between two presses
    m=$(mark A)
    need tap 08 || return 1
    check "before: Shift+F13 to A, the first viewer below the program in front" delivered A "$m" ' keyhook '
    need kill -KILL "$ua" || return 1
    need w wait-gone "$V_A" || return 1
    FAULT_INJECTED=$((FAULT_INJECTED + 1))
    survived "A killed between presses"
    mb=$(mark B)
    need tap 0B || return 1
    check "the next press goes to B" delivered B "$mb" ' keyhook '
    check "...as Shift+Ctrl+F21, once" eq "$(keyhooks B "$mb")" "0x84/0x30001"

    # in the middle of a burst: 400 reports changing code each time, so that
    # every one fires; a second receiver process plays them while the viewer
    # that takes them is killed
    need e2e_viewer A2 "TVTest Window" --no-hook || return 1
    ua=$(unix_pid_of_last_viewer)
    need w foreground "$V_O" || return 1
    need zorder_is "$V_O" "$V_A2" "$V_B" || return 1
    local file=$E2E_RUN/alternate.codes player m2 n2 nb
    awk 'BEGIN { for (i = 0; i < 200; i++) print "08\n0A"; print "00" }' >"$file"
    m2=$(mark A2); mb=$(mark B)
    kv_wine "$KV_BIN/kvreceiver.exe" play "$(winepath_w "$file")" </dev/null >"$E2E_RUN/player.out" 2>&1 &
    player=$!
    need wait_for A2 "$m2" ' keyhook ' 20 || return 1
    need kill -KILL "$ua" || return 1
    FAULT_INJECTED=$((FAULT_INJECTED + 1))
    wait "$player"
    check "the burst was played in full" grep -q 'played 401 ' "$E2E_RUN/player.out"
    need w wait-gone "$V_A2" || return 1
    wait_for B "$mb" ' keyhook ' 1 5
    quiet
    n2=$(count A2 "$m2" ' keyhook '); nb=$(count B "$mb" ' keyhook ')
    info "burst of 400 presses: $n2 reached A2 before it was killed, $nb reached B afterwards, $((400 - n2 - nb)) were in the dying viewer's queue"
    FAULT_SENT=$((FAULT_SENT + 400)); FAULT_ARRIVED=$((FAULT_ARRIVED + n2 + nb))
    check "B's share is the end of the burst, alternating, none twice" \
        eq "$(keyhooks B "$mb" | tr ' ' '\n' | awk 'NR > 1 && $0 == prev { bad++ } { prev = $0 } END { print prev, bad + 0 }')" "0x7e/0x10001 0"
    survived "A2 killed during a burst"
    mb=$(mark B)
    need tap 17 || return 1
    check "the next press goes to B" delivered B "$mb" ' keyhook '
    check "...as Ctrl+F13" eq "$(keyhooks B "$mb")" "0x7c/0x20001"

    # inside a direction key: Shift+Up (0x24) is Ctrl up, 10 ms, Shift down,
    # 10 ms, the posted key, 10 ms, Shift up; D dies at Shift down
    need e2e_viewer D "TVTest Window" --channel visible --die-on-vk 0x10 || return 1
    need w foreground "$V_O" || return 1
    need zorder_is "$V_O" "$V_D" "$V_B" || return 1
    local md
    md=$(mark D); mb=$(mark B)
    need tap 24 || return 1
    check "D ended itself at Korvanta's Shift down" wait_for D "$md" ' dying vk=0x10'
    need w wait-gone "$V_D" || return 1
    FAULT_INJECTED=$((FAULT_INJECTED + 1))
    quiet
    check "the direction key meant for D went nowhere else" eq "$(deliveries B "$mb")" ""
    survived "D killed inside a direction key"
    mb=$(mark B)
    need tap 24 || return 1
    check "the next direction key goes to B's channel display" delivered B "$mb" ' keydown win=channel .*src=posted '
    check "...as Up, once" eq "$(deliveries B "$mb")" "D:0x26"
    survived "after the next direction key"
    fault_figures
}

# Lock-on on a viewer that is then killed: the next press goes by mode 1 and
# ends the lock. Then button 0x21 while the program in front dies: it ends
# itself on the very report that Korvanta is handling (the stand-in listens
# to the receiver too). Afterwards presses and 0x21 follow the rules again.
case_fault_lockon_and_front_killed() {
    need e2e_viewer L "TVTest Window" --picture --no-hook --pos 520 60 || return 1
    local ul
    ul=$(unix_pid_of_last_viewer)
    need e2e_viewer A "TVTest Window" --no-hook || return 1
    need e2e_viewer O "Notepad" --no-hook --pos 60 400 || return 1
    need w foreground "$V_O" || return 1
    need zorder_is "$V_O" "$V_A" "$V_L" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 111 || return 1
    local m ml
    need start_capture || return 1
    need click_on L "$(picture_of L)" || return 1
    ml=$(mark L)
    need tap 08 || return 1
    check "locked on L: Shift+F13 reaches it" delivered L "$ml" ' keyhook '
    need kill -KILL "$ul" || return 1
    need w wait-gone "$V_L" || return 1
    FAULT_INJECTED=$((FAULT_INJECTED + 1))
    survived "the locked viewer killed"
    m=$(mark A)
    need tap 0B || return 1
    check "the next press goes by mode 1 to A" delivered A "$m" ' keyhook '
    check "...as Shift+Ctrl+F21, once" eq "$(keyhooks A "$m")" "0x84/0x30001"
    m=$(mark A)
    need tap 17 || return 1
    check "and the press after it, to A as well" delivered A "$m" ' keyhook '

    # 0x21 while the foreground program dies
    need e2e_viewer X "TVTest Window" --no-hook || return 1
    need e2e_viewer F "Notepad" --no-hook --rawinput --die-on-raw 0x21 || return 1
    need w foreground "$V_F" || return 1
    need zorder_is "$V_F" "$V_X" "$V_A" || return 1
    local mf mx ma
    mf=$(mark F); mx=$(mark X); ma=$(mark A)
    need tap 21 || return 1
    check "the program in front ended itself on the report of 0x21" wait_for F "$mf" ' dying code=0x21'
    need w wait-gone "$V_F" || return 1
    FAULT_INJECTED=$((FAULT_INJECTED + 1))
    quiet
    info "activations during it: X $(count X "$mx" ' activate wa=[12] '), A $(count A "$ma" ' activate wa=[12] ')"
    check "no viewer got a key from it" eq "$(deliveries X "$mx")$(deliveries A "$ma")" ""
    survived "the program in front killed during 0x21"
    # the rules again: X in front, mode 1 serves it; 0x21 moves on to the
    # other viewer process
    need w foreground "$V_X" || return 1
    mx=$(mark X)
    need tap 08 || return 1
    check "the next press goes to X in front" delivered X "$mx" ' keyhook '
    ma=$(mark A)
    need tap 21 || return 1
    check "0x21 from X activates the other viewer, A" wait_for A "$ma" ' activate wa=[12] '
    survived "after the next 0x21"
    fault_figures
}

# ---------------------------------------------------------------------------
# The receiver pulled out and put back; a foreign device plugged in

# taps_until_delivered NAME CODE ERE TAPS: taps CODE, a second apart, until
# viewer NAME shows ERE; TAPS_TAKEN says how many taps it took
taps_until_delivered() {
    local name=$1 code=$2 ere=$3 taps=$4 m
    m=$(mark "$name")
    TAPS_TAKEN=0
    while [ "$TAPS_TAKEN" -lt "$taps" ]; do
        tap "$code" || return 1
        TAPS_TAKEN=$((TAPS_TAKEN + 1))
        wait_for "$name" "$m" "$ere" 1 1 && return 0
    done
    return 1
}
