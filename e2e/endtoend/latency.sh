#!/usr/bin/env bash
# Latency and footprint of Korvanta.exe under Wine. A benchmark, not a test:
# it prints figures and fails only when the run itself breaks.
#
#   e2e/endtoend/latency.sh [--exe PATH/Korvanta.exe | --arch x64|x86]
#                           [--tools DIR] [--count N] [--interval MS]
#                           [--idle SECONDS] [--windows N]
#
# --exe may be the 64-bit or the 32-bit executable; without it, the one of
# --arch (default x64) is built first with scripts/build-exe.sh. The receiver,
# the stand-ins and kvlatency are 64-bit either way.
#
# 1. Remote path: kvlatency pushes N presses of button 0x08 (Shift+F13) into
#    the virtual receiver, each stamped with QueryPerformanceCounter just
#    before the report goes in; Korvanta (mode 1) posts "TVTest KeyHook" to a
#    stand-in viewer, which stamps its receipt on the same clock.
# 2. Baseline, same run, same programs: kvlatency posts the same message
#    straight to the stand-in N times, stamped the same way.
# 3. The HID stack alone: the same presses to a bare raw-input listener (a
#    stand-in registered for the same input), stamped on receipt of WM_INPUT.
# 4. Korvanta's memory (/proc status of its Wine process, beside an idle
#    stand-in window program for scale) and the CPU time it uses while idle.
# 5. The settings window opened (command 106) and closed again --windows
#    times (default 10): Korvanta's memory after the first time (which loads
#    the common controls for good) and after the last, which must be no
#    more, since the window's resources go with it.
#
# The remote path includes the whole HID stack (driver, hidclass, the Wine
# server's raw-input delivery), which the baseline does not: the ratio shows
# what the path costs, not only what Korvanta adds.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

EXE=""
ARCH=x64
TOOLS=""
COUNT=300
INTERVAL=20
IDLE=10
WINDOWS=10
while [ $# -gt 0 ]; do
    case $1 in
        --exe) EXE=${2:?}; shift 2 ;;
        --arch) ARCH=${2:?}; shift 2 ;;
        --tools) TOOLS=${2:?}; shift 2 ;;
        --count) COUNT=${2:?}; shift 2 ;;
        --interval) INTERVAL=${2:?}; shift 2 ;;
        --idle) IDLE=${2:?}; shift 2 ;;
        --windows) WINDOWS=${2:?}; shift 2 ;;
        *) echo "usage: $0 [--exe PATH | --arch x64|x86] [--tools DIR] [--count N] [--interval MS] [--idle SECONDS]" >&2; exit 2 ;;
    esac
done
case $ARCH in
    x64 | x86) ;;
    *) echo "--arch x64 or x86" >&2; exit 2 ;;
esac
if [ -n "$EXE" ]; then
    [ -f "$EXE" ] || { echo "no executable at $EXE"; exit 1; }
    ARCH=$(e2e_pe_arch "$EXE")
    [ "$ARCH" != unknown ] || { echo "$EXE is neither a 64-bit nor a 32-bit x86 Windows executable"; exit 1; }
fi

if ! e2e_have_prerequisites "$ARCH"; then
    end_missing "$E2E_MISSING"
fi
TOOLS=${TOOLS:-$E2E_REPO/build-e2e/tools}
e2e_build_tools "$TOOLS" || exit 1
TOOLS=$(cd "$TOOLS" && pwd)
if [ -z "$EXE" ]; then
    e2e_build_exe "$TOOLS/build-exe.log" "$ARCH" || exit 1
    EXE=$(e2e_default_exe "$ARCH")
fi
EXE=$(cd "$(dirname "$EXE")" && pwd)/$(basename "$EXE")
echo "Korvanta.exe: $EXE ($ARCH)"

trap 'e2e_env_down' EXIT
trap 'exit 143' TERM INT
e2e_env_up "$TOOLS" "$EXE" 2>/dev/null || { echo "environment did not come up"; exit 1; }

e2e_viewer A "TVTest Window" --no-hook --foreground || exit 1
w foreground "$V_A" || exit 1
e2e_korvanta_start || exit 1
e2e_korvanta_cmd 111 || exit 1
log=$E2E_RUN/A.log

# warm-up: the first presses pay for paging in code on both sides
m=$(e2e_mark "$log")
feed tap 08 5 20 || exit 1
for _ in $(seq 250); do [ "$(e2e_count "$log" ' keyhook ' "$m")" -ge 5 ] && break; sleep 0.02; done

wait_keyhooks() { # MARK ERE COUNT
    local i
    for ((i = 0; i < 1500; i++)); do
        [ "$(e2e_count "$log" "$2" "$1")" -ge "$3" ] && return 0
        sleep 0.02
    done
    echo "only $(e2e_count "$log" "$2" "$1") of $3 messages arrived"
    return 1
}

echo "remote path: $COUNT presses, one every $INTERVAL ms"
m=$(e2e_mark "$log")
kv_wine "$KV_BIN/kvlatency.exe" keys 08 "$COUNT" "$INTERVAL" >"$E2E_RUN/keys.txt" || exit 1
wait_keyhooks "$m" ' keyhook .* l=0x10001 ' "$COUNT" || exit 1
e2e_since "$log" "$m" | awk '$2 == "keyhook" && / l=0x10001 / {print ++n, $1}' >"$E2E_RUN/keys.recv"

echo "baseline: $COUNT PostMessageW straight to the viewer, one every $INTERVAL ms"
m=$(e2e_mark "$log")
kv_wine "$KV_BIN/kvlatency.exe" post "$V_A" "$COUNT" "$INTERVAL" >"$E2E_RUN/post.txt" || exit 1
wait_keyhooks "$m" ' keyhook .* l=0x0 ' "$COUNT" || exit 1
# one sender, one queue: the n-th message received is the n-th sent
e2e_since "$log" "$m" | awk '$2 == "keyhook" && / l=0x0 / {print ++n, $1}' >"$E2E_RUN/post.recv"

echo "HID stack alone: $COUNT presses to a bare raw-input listener, one every $INTERVAL ms"
e2e_viewer R "Raw listener" --no-hook --rawinput || exit 1
w foreground "$V_A" || exit 1
rlog=$E2E_RUN/R.log
m=$(e2e_mark "$rlog")
mk=$(e2e_mark "$log")
kv_wine "$KV_BIN/kvlatency.exe" keys 08 "$COUNT" "$INTERVAL" >"$E2E_RUN/raw.txt" || exit 1
for ((i = 0; i < 1500; i++)); do
    [ "$(e2e_count "$rlog" ' rawinput .*code=0x08' "$m")" -ge "$COUNT" ] && break
    sleep 0.02
done
e2e_since "$rlog" "$m" | awk '$2 == "rawinput" && / code=0x08/ {print ++n, $1}' >"$E2E_RUN/raw.recv"
# Korvanta served these presses too; let it finish before the figures below
wait_keyhooks "$mk" ' keyhook .* l=0x10001 ' "$COUNT" >/dev/null

# latencies SENT RECEIVED: microseconds per message, joined on the sequence number
latencies() {
    join <(awk '{print $2, $3}' "$1" | sort -k1,1) <(sort -k1,1 "$2") | awk '{print $3 - $2}' | sort -n
}
# stats FILE: "median p95 min max" in microseconds
stats() {
    awk '{v[NR] = $1} END {
        if (NR == 0) { print "0 0 0 0"; exit }
        m = int((NR + 1) / 2); p = int(NR * 0.95 + 0.999999); if (p > NR) p = NR
        print v[m], v[p], v[1], v[NR] }' "$1"
}
latencies "$E2E_RUN/keys.txt" "$E2E_RUN/keys.recv" >"$E2E_RUN/keys.lat"
latencies "$E2E_RUN/post.txt" "$E2E_RUN/post.recv" >"$E2E_RUN/post.lat"
latencies "$E2E_RUN/raw.txt" "$E2E_RUN/raw.recv" >"$E2E_RUN/raw.lat"
read -r k_med k_p95 k_min k_max < <(stats "$E2E_RUN/keys.lat")
read -r b_med b_p95 b_min b_max < <(stats "$E2E_RUN/post.lat")
read -r r_med r_p95 r_min r_max < <(stats "$E2E_RUN/raw.lat")
n_keys=$(wc -l <"$E2E_RUN/keys.lat")
n_post=$(wc -l <"$E2E_RUN/post.lat")
n_raw=$(wc -l <"$E2E_RUN/raw.lat")

us() { printf '%7.3f ms' "$(echo "scale=3; $1 / 1000" | bc)"; }
echo
echo "latency, report pushed -> \"TVTest KeyHook\" handled by the viewer ($n_keys samples)"
echo "  median $(us "$k_med")   p95 $(us "$k_p95")   min $(us "$k_min")   max $(us "$k_max")"
echo "baseline, PostMessageW -> handled by the viewer ($n_post samples)"
echo "  median $(us "$b_med")   p95 $(us "$b_p95")   min $(us "$b_min")   max $(us "$b_max")"
echo "HID stack alone, report pushed -> WM_INPUT handled by a bare listener ($n_raw samples)"
echo "  median $(us "$r_med")   p95 $(us "$r_p95")   min $(us "$r_min")   max $(us "$r_max")"
if [ "$b_med" -gt 0 ]; then
    echo "median ratio remote path / bare post: $(printf "%.2f" "$(echo "scale=4; $k_med / $b_med" | bc)")" \
        "(target 1.2; the remote path includes the HID stack)"
fi
if [ "$((b_med + r_med))" -gt 0 ]; then
    echo "median ratio remote path / (HID stack alone + bare post): $(printf "%.2f" "$(echo "scale=4; $k_med / ($r_med + $b_med)" | bc)")" \
        "(what Korvanta adds beyond the two hops it cannot avoid)"
fi

# memory and idle CPU of Korvanta's Wine process; an idle stand-in window
# program (a message loop and one window) for scale
kpid=$(e2e_wine_pid "$K_PID")
vpid=$(e2e_wine_pid "${E2E_PIDS[0]}")
mem() { # PID: "VmRSS RssAnon RssFile Private" in kB
    local p=$1 priv
    priv=$(awk '/^Private_(Clean|Dirty):/ {s += $2} END {print s + 0}' "/proc/$p/smaps_rollup" 2>/dev/null)
    awk -v priv="$priv" '/^VmRSS:/ {r = $2} /^RssAnon:/ {a = $2} /^RssFile:/ {f = $2}
        END {print r, a, f, priv}' "/proc/$p/status"
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
echo
if [ -n "$kpid" ] && [ -d "/proc/$kpid" ]; then
    read -r k_rss k_anon k_file k_priv < <(mem "$kpid")
    echo "memory of Korvanta.exe (Wine process $kpid, $(readlink "/proc/$kpid/exe")): VmRSS $k_rss kB, RssAnon $k_anon kB, RssFile $k_file kB, private $k_priv kB"
    if [ -n "$vpid" ] && [ -d "/proc/$vpid" ]; then
        read -r v_rss v_anon v_file v_priv < <(mem "$vpid")
        echo "  for scale, the idle stand-in viewer: VmRSS $v_rss kB, RssAnon $v_anon kB, RssFile $v_file kB, private $v_priv kB"
    fi
    hz=$(getconf CLK_TCK)
    c0=$(cpu_ticks "$kpid")
    sleep "$IDLE"
    c1=$(cpu_ticks "$kpid")
    echo "CPU time of Korvanta.exe over $IDLE s idle: $(((c1 - c0) * 1000 / hz)) ms (utime+stime, $((c1 - c0)) ticks of 1/$hz s; target 0)"
    opened=0
    for ((i = 0; i < WINDOWS; i++)); do
        w post "$K_HWND" 0x111 106 0 >/dev/null && w wait "#32770" 5 >/dev/null 2>&1 || break
        dialog=${E2E_REPLY[0]}
        w close "$dialog" >/dev/null && w wait-gone "$dialog" 5 >/dev/null 2>&1 || break
        opened=$((opened + 1))
        if [ "$opened" = 1 ]; then
            sleep 1
            read -r _ f_anon _ _ < <(mem "$kpid")
            echo "after the settings window opened and closed once: RssAnon $f_anon kB" \
                "($(printf "%+.2f" "$(echo "scale=4; ($f_anon - $k_anon) * 100 / $k_anon" | bc)") % from idle: the common controls, loaded for good)"
        fi
    done
    if [ "$opened" -gt 1 ]; then
        sleep 1
        read -r _ a_anon _ a_priv < <(mem "$kpid")
        echo "after $opened times: RssAnon $a_anon kB" \
            "($(printf "%+.2f" "$(echo "scale=4; ($a_anon - $f_anon) * 100 / $f_anon" | bc)") % from once), private $a_priv kB"
    elif [ "$opened" = 0 ]; then
        echo "no settings window opened (an executable without one)"
    fi
else
    echo "Korvanta's Wine process not found"
fi
