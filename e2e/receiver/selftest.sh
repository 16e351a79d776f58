#!/bin/bash
# Proves the virtual devices work without Korvanta: rawprobe.exe (listening
# like Korvanta, raw input on page 0x0C usage 0x01) must see
#   - a code pressed on the receiver, from 04BB:0F0E, at offset 6;
#   - its release (code 0);
#   - a code from the foreign device with the foreign vendor/product;
#   - an arbitrary report byte for byte;
#   - the other remote (045E:0800, two 16-bit consumer usages per report):
#     its device info, and the usages Wine's hid.dll parses from its reports.
# Usage: selftest.sh [BUILD_DIR]   (builds into a temporary dir when omitted)
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=prefix.sh
source "$here/prefix.sh"

now() { date +%s.%N; }
since() { echo "$(now) - $1" | bc; }

t_all=$(now)
build=${1:-}
own_build=
if [ -z "$build" ]; then
    build=$(mktemp -d /tmp/kvbuild.XXXXXX)
    own_build=$build
fi
trap 'kv_down; [ -z "$own_build" ] || rm -rf "$own_build"' EXIT
if [ -n "$own_build" ]; then
    "$here/build.sh" "$build" >/dev/null || { echo "FAIL: build"; exit 1; }
fi

t_up=$(now)
if ! kv_up "$build"; then echo "FAIL: environment did not come up"; exit 1; fi
echo "environment ready in $(since "$t_up") s"

list_out=$KV_RUN_DIR/list.out
kv_wine kvreceiver list </dev/null >"$list_out" 2>&1

probe_out=$KV_RUN_DIR/probe.out
kv_wine rawprobe 30 </dev/null >"$probe_out" 2>&1 &
probe_pid=$!
for _ in $(seq 100); do grep -q '^ready' "$probe_out" 2>/dev/null && break; sleep 0.1; done
grep -q '^ready' "$probe_out" || { echo "FAIL: rawprobe did not start"; cat "$probe_out"; exit 1; }

# one feeder process for all reports, as a test driving Korvanta would use it
coproc feeder { kv_wine kvreceiver serve 2>&1; }
read -r -t 20 line <&"${feeder[0]}"
[ "$line" = ready ] || { echo "FAIL: feeder did not start ($line)"; exit 1; }
cmd() {
    local reply
    echo "$*" >&"${feeder[1]}"
    read -r -t 20 reply <&"${feeder[0]}"
    [ "$reply" = ok ] || { echo "FAIL: '$*' -> $reply"; return 1; }
}

# waits until rawprobe printed N input lines; prints the latency
wait_lines() {
    local n=$1 t0=$2
    for _ in $(seq 200); do
        [ "$(grep -c '^input' "$probe_out")" -ge "$n" ] && { echo "$(since "$t0")"; return 0; }
        sleep 0.025
    done
    return 1
}

fail=0
t=$(now); cmd press 1A || fail=1
lat_press=$(wait_lines 1 "$t") || fail=1
cmd release || fail=1
cmd foreign 33 || fail=1
cmd frelease || fail=1
cmd send 00 11 22 33 44 55 66 77 88 || fail=1
wait_lines 5 "$t" >/dev/null || fail=1
t=$(now); for i in $(seq 20); do cmd tap 2B 1 0 || fail=1; done
lat_burst=$(wait_lines 45 "$t") || fail=1
cmd other CD || fail=1
cmd other E9 CD || fail=1
cmd other || fail=1
wait_lines 48 "$t" >/dev/null || fail=1
echo quit >&"${feeder[1]}"

kill "$probe_pid" 2>/dev/null
wait "$probe_pid" 2>/dev/null

echo "--- rawprobe output (first 8 lines) ---"
head -n 9 "$probe_out"
echo "--- the other remote ---"
grep '^\(hid\|raw\) 045E:0800' "$list_out"
grep '^input 045E:0800' "$probe_out"
echo "---"

# field 7 of the byte list is offset 6
expect() {
    local what=$1 dev=$2 pattern=$3
    if awk -v dev="$dev" -v pat="$pattern" '
        $1 == "input" && $2 == dev {
            sub(/.*bytes=/, ""); if ($0 == pat) found = 1 }
        END { exit !found }' "$probe_out"; then
        echo "PASS: $what"
    else
        echo "FAIL: $what (wanted $dev bytes=$pattern)"; fail=1
    fi
}
expect "receiver press 1A at offset 6" 04BB:0F0E "00 00 00 00 00 00 1A 00 00"
expect "receiver release"              04BB:0F0E "00 00 00 00 00 00 00 00 00"
expect "foreign 33 from 046D:C31C"     046D:C31C "00 00 00 00 00 00 33 00 00"
expect "raw report passes unchanged"   04BB:0F0E "00 11 22 33 44 55 66 77 88"
# the other remote, as HidD_GetAttributes and GetRawInputDeviceInfo see it
if grep -q '^hid 045E:0800 ' "$list_out" && grep -q '^raw 045E:0800 page 000C usage 0001 ' "$list_out"; then
    echo "PASS: other remote's device info reads 045E:0800, consumer control"
else
    echo "FAIL: other remote's device info"; cat "$list_out"; fail=1
fi
# expect_usages WHAT BYTES USAGES: a report of the other remote with these
# delivered bytes, in which hid.dll's HidP_GetUsages found exactly USAGES
# (comma-separated, any order) and no error
expect_usages() {
    local what=$1 pattern=$2 want=$3
    if awk -v pat="$pattern" -v want="$want" '
        function sorted(list,   n, a, i, j, t, s) {
            n = split(list, a, ",")
            for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
            for (i = 1; i <= n; i++) s = s (i > 1 ? "," : "") a[i]
            return s
        }
        $1 == "input" && $2 == "045E:0800" && !/ hidp=/ {
            line = $0; sub(/.*bytes=/, "", line)
            if (line != pat) next
            u = $0; sub(/.* usages=/, "", u); sub(/ .*/, "", u)
            if (sorted(u) == sorted(want)) found = 1 }
        END { exit !found }' "$probe_out"; then
        echo "PASS: $what"
    else
        echo "FAIL: $what (wanted 045E:0800 usages=$want bytes=$pattern)"; fail=1
    fi
}
expect_usages "other CD: hid.dll parses usage 00CD"           "00 CD 00 00 00" "00CD"
expect_usages "other E9 CD: hid.dll parses 00E9 and 00CD"     "00 E9 00 CD 00" "00E9,00CD"
expect_usages "other (released): hid.dll parses no usage"     "00 00 00 00 00" ""
if grep '^input 04BB:0F0E' "$probe_out" | grep -q ' usages='; then
    echo "FAIL: the receiver's reports changed form"; fail=1
fi

n_tap=$(grep -c '^input 04BB:0F0E.*bytes=00 00 00 00 00 00 2B 00 00$' "$probe_out")
if [ "$n_tap" = 20 ]; then echo "PASS: 20 taps in a burst all arrived"; else echo "FAIL: burst: $n_tap of 20 taps"; fail=1; fi
if grep -q '^input 046D:C31C.*bytes=00 00 00 00 00 00 1A' "$probe_out"; then
    echo "FAIL: receiver code showed up as foreign"; fail=1
fi

echo "press-to-WM_INPUT latency ${lat_press:-?} s; 20 taps (40 reports) delivered in ${lat_burst:-?} s"
echo "total $(since "$t_all") s"
[ $fail = 0 ] && echo "SELFTEST PASSED" || echo "SELFTEST FAILED"
exit $fail
