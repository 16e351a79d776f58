# shellcheck shell=bash
# What Korvanta tells the user of its own accord, read from a stand-in
# notification area that logs every icon request with its tip and every
# balloon with its title and text: the first start and a later one, second
# starts, and the receiver missing, then plugged in. (A viewer that refuses
# for want of rights needs elevation, which Wine does not have: the native
# tests carry that case.)

ALL_CASES+=(
    notices_first_start
    notices_second_start
    notices_no_receiver
)

# balloons_apart MARK SECONDS: every two balloons after MARK lie SECONDS apart
balloons_apart() {
    e2e_since "$(log_of T)" "$1" | awk -v min="$2" '
        $2 == "trayballoon" { if (n++ && $1 - last < min * 1000000) { printf "    %.2f s apart\n", ($1 - last) / 1e6; bad = 1 }
                              last = $1 }
        END { exit bad }'
}

case_notices_first_start() {
    need standin_tray || return 1
    need e2e_korvanta_start || return 1
    need wait_for T 0 ' trayballoon ' || return 1
    quiet
    check "the first start: one balloon, where Korvanta is and how to open its menu" \
        eq "$(tray_balloons 0 | cut -d'|' -f1)" "Korvanta を起動しました"
    check "...in the notification area, by a click on the icon" eval \
        "tray_balloons 0 | grep -q '通知領域で動いています。アイコンをクリックするとメニューが開きます'"
    check "...as news, not a warning" eq "$(count T 0 ' trayballoon flags=0x1 ')" 1
    check "exit code 0" exit_korvanta
    check "the settings file is there now" test -f "$E2E_APP/Korvanta.ini"

    local m
    m=$(mark T)
    need e2e_korvanta_start || return 1
    need wait_for T "$m" ' trayicon op=0 ' || return 1
    quiet
    check "a later start, with the settings file, says nothing" eq "$(tray_balloons "$m")" ""
    check "exit code 0 again" exit_korvanta
}

# Ten second starts at once, as a script or an impatient double-click makes
# them: each exits with 0 and changes nothing; the running copy answers with
# one balloon, and never with two less than five seconds apart.
case_notices_second_start() {
    write_ini "[Korvanta]" "TVTC_MODE=00000001" "IgnoreCursor=00000000"
    need standin_tray || return 1
    need e2e_viewer A "TVTest Window" --no-hook --foreground || return 1
    need w foreground "$V_A" || return 1
    need e2e_korvanta_start || return 1
    local m i t0 t pids=() codes=""
    m=$(mark T)
    t0=$(e2e_now_s)
    for i in $(seq 10); do
        kv_wine "$E2E_APP/Korvanta.exe" </dev/null >>"$E2E_RUN/korvanta.out" 2>&1 &
        pids+=($!)
    done
    for i in "${pids[@]}"; do
        wait "$i"
        codes+="$? "
    done
    t=$(echo "$(e2e_now_s) - $t0" | bc)
    info "ten second starts ended after $t s"
    check "each second start exits with 0" eq "$codes" "0 0 0 0 0 0 0 0 0 0 "
    need wait_for T "$m" ' trayballoon ' || return 1
    sleep 1
    check "the running copy says once that it is already running, with where its menu is" \
        eq "$(tray_balloons "$m" | head -n 1 | cut -d'|' -f1)" "Korvanta はすでに起動しています"
    check "...and again only after a pause of five seconds" balloons_apart "$m" 5
    if [ "$(echo "$t < 5" | bc)" = 1 ]; then
        check "one balloon, not ten" eq "$(tray_balloons "$m" | wc -l)" 1
    fi
    need w find KORVANTA || return 1
    check "still one KORVANTA window, the first one's" eq "${E2E_REPLY[*]}" "$K_HWND"
    check "no second icon" eq "$(count T "$m" ' trayicon op=0 ')" 0
    m=$(mark A)
    need tap 08 || return 1
    check "the first copy still delivers in its mode" wait_for A "$m" ' keyhook '
    check "the settings file is untouched" eq "$(ini_text)" $'[Korvanta]\nTVTC_MODE=00000001\nIgnoreCursor=00000000'
    check "the first copy exits with 0" exit_korvanta
}

# The receiver's device is not there at start: the tip says so and one
# balloon tells that the remote works once it is plugged in. It is plugged
# in: the remote works without a restart, and its first report puts the tip
# back, once.
case_notices_no_receiver() {
    write_ini "[Korvanta]" "TVTC_MODE=00000001"
    need feed unplug receiver || return 1
    need feed list || return 1
    need test "$(printf '%s\n' "${E2E_REPLY[@]}" | grep -ci '04BB:0F0E')" = 0 || return 1
    need standin_tray || return 1
    need e2e_viewer A "TVTest Window" --no-hook --foreground || return 1
    need w foreground "$V_A" || return 1
    need e2e_korvanta_start || return 1
    check "the tip says the receiver is missing" \
        wait_for T 0 ' traytip op=1 tip="Korvanta（受信機が見つかりません）"'
    check "one balloon says so" eq "$(tray_balloons 0 | cut -d'|' -f1)" "リモコンの受信機が見つかりません"
    check "...and that it works once plugged in" eval "tray_balloons 0 | grep -q '受信機を差し込めば、そのまま使えます'"

    local m mt
    need feed plug receiver || return 1
    need feed wait 30 receiver || return 1
    mt=$(mark T)
    m=$(mark A)
    # the program learns of a new device when Wine refreshes its device list
    check "the remote works without a restart" taps_until_delivered A 08 ' keyhook ' 10
    check "its first report puts the tip back" wait_for T "$mt" ' traytip op=1 tip="Korvanta"'
    need tap 0A && need tap 0B || return 1
    need wait_for A "$m" ' keyhook ' 3 || return 1
    quiet
    check "...once" eq "$(count T "$mt" ' traytip ')" 1
    check "no further balloon" eq "$(tray_balloons "$mt")" ""
    check "exit code 0" exit_korvanta
}
