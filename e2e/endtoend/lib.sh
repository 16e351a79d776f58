# Shared by the end-to-end tests, the latency benchmark and scripts/run.sh:
# builds the helper programs, brings up a private X server and Wine prefix
# with the virtual receiver, runs Korvanta.exe and stand-in viewers in it, and
# talks to the long-running helpers. Source it; it defines functions only.
#
#   e2e_build_tools DIR       receiver kit, stand-in viewer, wctl, kvlatency
#   e2e_env_up DIR EXE        private X + prefix, copy of EXE in $E2E_APP,
#                             wctl and the receiver's feeder started
#   e2e_env_down              stops everything e2e_env_up and later calls started
#   e2e_korvanta_start        starts the copy, waits for its window: $K_HWND
#   e2e_korvanta_wait_exit    waits for the process: $K_EXIT
#   e2e_viewer NAME CLASS [--as FILE] [standin options]   log $E2E_RUN/NAME.log, hwnd in $V_NAME
#   e2e_ask wctl|feed LINE    one command to a helper; reply lines in E2E_REPLY
#   e2e_retry USABLE CMD...   a measuring step, tried again when it said nothing
#   e2e_desktop_look [--frames]   Japanese dialog font (and Wine's own frames)

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_REPO=$(cd "$E2E_DIR/../.." && pwd)
# Wine processes of a test live as long as the test; the timeout is only a
# backstop against a hang.
KV_TIMEOUT=${KV_TIMEOUT:-300}
# The limit of the programs that live as long as the run (Korvanta, the
# stand-in viewers, the receiver's feeder and wctl); 0 sets none, as
# scripts/run.sh does, whose run lasts until the user ends it. The short
# steps (the boot, waiting for the devices) keep KV_TIMEOUT either way.
E2E_LIFETIME=${E2E_LIFETIME:-$KV_TIMEOUT}
# shellcheck source=../receiver/prefix.sh
source "$E2E_REPO/e2e/receiver/prefix.sh"
# shellcheck source=../../tests/skips.sh
source "$E2E_REPO/tests/skips.sh"

e2e_log() { echo "e2e: $*" >&2; }

e2e_now_s() { date +%s.%N; }

# e2e_have_prerequisites [ARCH...]: 0 when Wine, Xvfb and MinGW-w64 are
# installed, and for x86 the 32-bit half of Wine (Debian: wine32:i386), which
# runs a 32-bit Korvanta.exe beside the 64-bit helpers. E2E_MISSING says what
# is not.
e2e_have_prerequisites() {
    local missing=() arch
    [ -x "$KV_WINE" ] || missing+=("Wine ($KV_WINE)")
    [ -x "$KV_WINESERVER" ] || missing+=("wineserver")
    command -v Xvfb >/dev/null || missing+=(Xvfb)
    command -v x86_64-w64-mingw32-gcc >/dev/null || missing+=(mingw-w64)
    { command -v winegcc >/dev/null || [ -x /usr/lib/wine/winegcc ]; } || missing+=("winegcc (wine64-tools)")
    command -v bc >/dev/null || missing+=(bc)
    for arch in "$@"; do
        [ "$arch" = x86 ] || continue
        [ -x "$KV_WINE32" ] || missing+=("32-bit Wine ($KV_WINE32, Debian: wine32:i386)")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        E2E_MISSING="${missing[*]}"
        return 1
    fi
}

# e2e_pe_arch FILE: x64 or x86, from the machine field of the PE header;
# "unknown" for anything else.
e2e_pe_arch() {
    local pe machine
    pe=$(od -An -tu4 --endian=little -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$pe" ] && machine=$(od -An -tx2 --endian=little -j"$((pe + 4))" -N2 "$1" 2>/dev/null | tr -d ' ')
    case ${machine:-} in
        8664) echo x64 ;;
        014c) echo x86 ;;
        *) echo unknown ;;
    esac
}

# e2e_default_exe ARCH: where scripts/build-exe.sh puts that executable.
e2e_default_exe() {
    case $1 in
        x64) echo "$E2E_REPO/build-win64/Korvanta.exe" ;;
        x86) echo "$E2E_REPO/build-win32/Korvanta.exe" ;;
    esac
}

# e2e_exes_of EXE...: EXE_OF (architecture -> full path) for the executables
# given, and EXE_ARCHES, their architectures in the order given. Exits on one
# that is missing or neither x64 nor x86.
e2e_exes_of() {
    declare -gA EXE_OF=()
    EXE_ARCHES=()
    local e a
    for e in "$@"; do
        [ -f "$e" ] || { echo "no executable at $e"; exit 1; }
        a=$(e2e_pe_arch "$e")
        [ "$a" != unknown ] || { echo "$e is neither a 64-bit nor a 32-bit x86 Windows executable"; exit 2; }
        EXE_OF[$a]=$(cd "$(dirname "$e")" && pwd)/$(basename "$e")
        EXE_ARCHES+=("$a")
    done
}

# e2e_exes_ready TOOLS ARCH...: builds those of ARCH... that EXE_OF lacks,
# then exits unless each is there and of its architecture.
e2e_exes_ready() {
    local tools=$1 a to_build=()
    shift
    for a in "$@"; do [ -n "${EXE_OF[$a]:-}" ] || to_build+=("$a"); done
    if [ ${#to_build[@]} -gt 0 ]; then
        e2e_build_exe "$tools/build-exe.log" "${to_build[@]}" || exit 1
        for a in "${to_build[@]}"; do EXE_OF[$a]=$(e2e_default_exe "$a"); done
    fi
    for a in "$@"; do
        [ -f "${EXE_OF[$a]}" ] || { echo "no executable at ${EXE_OF[$a]}"; exit 1; }
        [ "$(e2e_pe_arch "${EXE_OF[$a]}")" = "$a" ] || { echo "${EXE_OF[$a]} is not the $a executable"; exit 1; }
    done
}

# e2e_build_exe LOG ARCH...: builds those executables with scripts/build-exe.sh.
e2e_build_exe() {
    local log=$1 args=() arch
    shift
    for arch in "$@"; do args+=("--$arch"); done
    timeout 600 "$E2E_REPO/scripts/build-exe.sh" "${args[@]}" >"$log" 2>&1 ||
        { cat "$log"; echo "building Korvanta.exe ($*) failed"; return 1; }
}

# e2e_build_tools DIR: (re)builds the helpers into DIR when a source is newer
# than its output. Concurrent callers (CTest -j) take turns on a lock.
e2e_build_tools() {
    local out=${1:?tools dir}
    mkdir -p "$out" || return 1
    (
        flock -w 600 9 || { e2e_log "tools build lock timeout"; exit 1; }
        stale() {
            local target=$1 source
            shift
            [ -f "$target" ] || return 0
            for source in "$@"; do [ "$source" -nt "$target" ] && return 0; done
            return 1
        }
        local r=$E2E_REPO/e2e/receiver v=$E2E_REPO/e2e/viewer
        if stale "$out/kvreceiver.exe" "$r"/*.c "$r"/*.h "$r"/*.inf "$r/build.sh" ||
            stale "$out/kvhid.sys" "$r"/*.c "$r"/*.h "$r/build.sh"; then
            "$r/build.sh" "$out" >"$out/build-receiver.log" 2>&1 ||
                { cat "$out/build-receiver.log" >&2; exit 1; }
        fi
        if stale "$out/standin.exe" "$v"/*.c "$v/build.sh" || stale "$out/wctl.exe" "$v"/*.c "$v/build.sh"; then
            "$v/build.sh" "$out" || exit 1
        fi
        if stale "$out/kvlatency.exe" "$E2E_DIR/kvlatency.c" "$r/kvshared.h"; then
            x86_64-w64-mingw32-gcc -O2 -Wall -Wextra -static-libgcc -I"$r" -o "$out/kvlatency.exe" \
                "$E2E_DIR/kvlatency.c" -lsetupapi -lhid -luser32 || exit 1
        fi
    ) 9>"$out/.build.lock"
}

# ---------------------------------------------------------------------------
# Helpers that read commands from stdin ("serve" mode), over named pipes so
# that several can run at once.

# e2e_serve NAME PROGRAM ARGS...: starts the helper; ${NAME}_in/${NAME}_out
# hold the file descriptors, ${NAME}_pid the process.
e2e_serve() {
    local name=$1 first fd_in fd_out
    shift
    mkfifo "$E2E_RUN/$name.in" "$E2E_RUN/$name.out" || return 1
    KV_TIMEOUT=$E2E_LIFETIME kv_wine "$@" <"$E2E_RUN/$name.in" >"$E2E_RUN/$name.out" 2>"$E2E_RUN/$name.err" &
    printf -v "${name}_pid" '%s' "$!"
    # both ends of a fifo open together: ours in the same order as the child's
    exec {fd_in}>"$E2E_RUN/$name.in"
    exec {fd_out}<"$E2E_RUN/$name.out"
    printf -v "${name}_in" '%s' "$fd_in"
    printf -v "${name}_out" '%s' "$fd_out"
    if ! IFS= read -r -t 60 first <&"$fd_out" || [ "${first%$'\r'}" != ready ]; then
        e2e_log "$name did not start: ${first:-no output}"
        cat "$E2E_RUN/$name.err" >&2
        return 1
    fi
}

# e2e_ask NAME COMMAND...: sends one command line, collects the answer lines
# into E2E_REPLY (without the final "ok"); 1 on "error: ..." or no answer.
e2e_ask() {
    local name=$1 in out line
    shift
    in=${name}_in
    out=${name}_out
    E2E_REPLY=()
    printf '%s\n' "$*" >&"${!in}" || { e2e_log "$name is gone"; return 1; }
    while IFS= read -r -t "${E2E_ASK_TIMEOUT:-60}" line <&"${!out}"; do
        line=${line%$'\r'}
        case $line in
            ok) return 0 ;;
            error*) E2E_REPLY+=("$line"); e2e_log "$name: '$*' -> $line"; return 1 ;;
            *) E2E_REPLY+=("$line") ;;
        esac
    done
    e2e_log "$name: no answer to '$*'"
    return 1
}

e2e_serve_stop() {
    local name=$1 in out pid fd_in fd_out
    in=${name}_in
    out=${name}_out
    pid=${name}_pid
    fd_in=${!in:-}
    fd_out=${!out:-}
    [ -n "$fd_in" ] || return 0
    printf 'quit\n' >&"$fd_in" 2>/dev/null
    exec {fd_in}>&- {fd_out}<&-
    printf -v "${name}_in" '%s' ""
    printf -v "${name}_out" '%s' ""
    # a helper that does not take its quit is ended: with no time limit on
    # it (scripts/run.sh) the wait would otherwise last for ever
    local i
    for ((i = 0; i < 50; i++)); do
        kill -0 "${!pid:-}" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "${!pid:-}" ] && { kill "${!pid}" 2>/dev/null; wait "${!pid}" 2>/dev/null; }
    return 0
}

# wctl shorthand: "w foreground 0x..." etc.
w() { e2e_ask wctl "$@"; }
# feeder shorthand: "feed tap 08 1 20" etc.
feed() { e2e_ask feed "$@"; }

# e2e_retry USABLE COMMAND...: runs COMMAND, a step that only measures or
# asks, and prints what it printed. A helper started under Wine on a loaded
# machine now and then ends without a word; that says nothing of the program
# under test, so while USABLE (called with COMMAND's exit code and output)
# finds no answer in it, COMMAND runs again after a pause, at most twice more.
# Returns the last try's exit code; E2E_TRIES is the number of tries, and
# each retry is said on stderr and counted in E2E_RETRIES. A step whose
# failure is what a test looks for must not go through here.
E2E_RETRIES=0
e2e_retry() {
    local usable=$1 out rc said
    shift
    for ((E2E_TRIES = 1; ; E2E_TRIES++)); do
        out=$("$@")
        rc=$?
        "$usable" "$rc" "$out" && break
        [ "$E2E_TRIES" -ge 3 ] && break
        E2E_RETRIES=$((E2E_RETRIES + 1))
        said=${out//[$'\r\n']/ }
        e2e_log "no answer from '$*' (exit code $rc, printed '${said:0:200}'); again in 2 s"
        sleep 2
    done
    [ -z "$out" ] || printf '%s\n' "$out"
    return "$rc"
}

# e2e_said RC OUTPUT: an answer is anything printed (for e2e_retry)
e2e_said() { [ -n "$2" ]; }

# kv_text FILE: a settings file's text as UTF-8 without line-end CRs,
# whether it is UTF-16 LE (as Korvanta makes it), UTF-8 with or without a
# BOM, or plain ASCII.
kv_text() {
    if [ "$(head -c 2 "$1" 2>/dev/null | od -An -tx1 | tr -d ' ')" = fffe ]; then
        tail -c +3 "$1" | iconv -f UTF-16LE -t UTF-8 | tr -d '\r'
    else
        sed -e '1s/^\xEF\xBB\xBF//' "$1" 2>/dev/null | tr -d '\r'
    fi
}

# kv_utf16 FILE: whether it starts with the UTF-16 LE byte-order mark
kv_utf16() { [ "$(head -c 2 "$1" 2>/dev/null | od -An -tx1 | tr -d ' ')" = fffe ]; }

# ---------------------------------------------------------------------------
# Environment

# e2e_env_up TOOLS_DIR EXE: sets E2E_RUN (scratch dir, under the prefix's run
# dir) and E2E_APP (the folder Korvanta.exe runs from). A set-up that fails
# says nothing of Korvanta (once in many runs under load: the virtual
# receiver's driver never loads, or a helper ends before it answers): it is
# tried once more in a fresh prefix.
e2e_env_up() {
    e2e_env_try "$@" && return 0
    kv_log "the environment did not come up; once more in a fresh prefix"
    e2e_env_down
    e2e_env_try "$@"
}

e2e_env_try() {
    local tools=${1:?tools dir} exe=${2:?Korvanta.exe}
    E2E_PIDS=()
    K_PID=
    kv_up "$tools" || return 1
    E2E_RUN=$KV_RUN_DIR/e2e
    E2E_APP=$KV_RUN_DIR/app
    mkdir -p "$E2E_RUN" "$E2E_APP" || return 1
    cp "$exe" "$E2E_APP/Korvanta.exe" || return 1
    e2e_serve wctl "$KV_BIN/wctl.exe" serve || return 1
    e2e_serve feed "$KV_BIN/kvreceiver.exe" serve || return 1
}

e2e_env_down() {
    e2e_serve_stop feed
    e2e_serve_stop wctl
    # ends every Wine process of this prefix (viewers, Korvanta), then the
    # server and the X server; the timeout wrappers exit with their children
    kv_down
    local pid
    for pid in ${E2E_PIDS[@]+"${E2E_PIDS[@]}"} ${K_PID:+"$K_PID"}; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    E2E_PIDS=()
    K_PID=
}

# e2e_desktop_look [--frames]: the prefix as a Japanese desktop shows it: the
# dialog and menu font "MS UI Gothic" found as IPA P Gothic, without which
# the Japanese texts show as boxes, and "MS Shell Dlg" mapped to it. With
# --frames Wine draws the windows' frames, captions and close boxes itself,
# for an X server with no window manager. Before Korvanta starts: the menu
# takes its font when it is made.
e2e_desktop_look() {
    kv_wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "MS UI Gothic" /d IPAPGothic /f >/dev/null 2>&1 ||
        return 1
    # the dialog font "MS Shell Dlg" as a Japanese Windows maps it
    kv_wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v "MS Shell Dlg" \
        /d "MS UI Gothic" /f >/dev/null 2>&1 || return 1
    [ "${1:-}" != --frames ] || kv_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
}

# e2e_korvanta_start [EXE_DIR]: starts Korvanta.exe from $E2E_APP (or the
# folder given); K_PID is the process, K_HWND its main window. Returns once
# the program handles messages, so its raw-input registration is in place.
e2e_korvanta_start() {
    local dir=${1:-$E2E_APP} try rc
    for try in 1 2; do
        KV_TIMEOUT=$E2E_LIFETIME kv_wine "$dir/Korvanta.exe" </dev/null >>"$E2E_RUN/korvanta.out" 2>&1 &
        K_PID=$!
        K_EXIT=
        # a loaded machine may take long to start it; one that is still
        # starting is given as long again
        if w wait KORVANTA 30 || { kill -0 "$K_PID" 2>/dev/null && w wait KORVANTA 30; }; then
            K_HWND=${E2E_REPLY[0]}
            # a sent message is answered from the message loop (or a wait inside the
            # creation handler, after the raw-input registration that comes first)
            w send "$K_HWND" 0 0 0 >/dev/null || return 1
            return 0
        fi
        kill -0 "$K_PID" 2>/dev/null && { e2e_log "no KORVANTA window after 60 s"; return 1; }
        # Wine under load has been seen to lose a start: told, and tried once more
        wait "$K_PID"
        rc=$?
        e2e_log "Korvanta.exe ended without a window (exit code $rc, try $try)"
    done
    return 1
}

# e2e_korvanta_cmd ID: a menu command, as the tray menu would send it.
e2e_korvanta_cmd() { w post "$K_HWND" 0x111 "$1" 0; }

# e2e_korvanta_wait_exit [SECONDS]: K_EXIT = the exit code, or "timeout".
e2e_korvanta_wait_exit() {
    local seconds=${1:-20} i
    for ((i = 0; i < seconds * 20; i++)); do
        if ! kill -0 "$K_PID" 2>/dev/null; then
            wait "$K_PID"
            K_EXIT=$?
            K_PID=
            return 0
        fi
        sleep 0.05
    done
    K_EXIT=timeout
    return 1
}

# e2e_viewer NAME CLASS [--as FILE] [standin options...]: starts a stand-in
# viewer whose log is $E2E_RUN/NAME.log; sets V_NAME (hwnd) and P_NAME
# (Windows pid). --as runs a copy of the stand-in named FILE (in $E2E_RUN),
# a program that Korvanta tells from the others by its file name.
e2e_viewer() {
    local name=$1 class=$2 log try pid exe=$KV_BIN/standin.exe
    shift 2
    if [ "${1:-}" = --as ]; then
        exe=$E2E_RUN/${2:?--as needs a file name}
        shift 2
        cp "$KV_BIN/standin.exe" "$exe" || return 1
    fi
    log=$E2E_RUN/$name.log
    for try in 1 2; do
        : >"$log"
        KV_TIMEOUT=$E2E_LIFETIME kv_wine "$exe" "$class" "$(winepath_w "$log")" "$@" \
            </dev/null >"$E2E_RUN/$name.out" 2>&1 &
        pid=$!
        E2E_PIDS+=("$pid")
        e2e_wait_log "$log" ' start ' 1 30 && break
        e2e_log "viewer $name did not start within 30 s (try $try of 2)"
        cat "$E2E_RUN/$name.out" >&2
        e2e_describe_job "$pid" >&2
        [ "$try" = 2 ] && return 1
        # Now and then, under load, a stand-in has come up with no word at
        # all, while the one before it and the next start came up at once;
        # the cause is not known. It is started once more, and said.
        kill -9 $(e2e_job_tree "$pid") 2>/dev/null
        wait "$pid" 2>/dev/null
        E2E_RETRIES=$((E2E_RETRIES + 1))
    done
    printf -v "V_$name" '%s' "$(sed -n 's/.* start hwnd=\(0x[0-9a-f]*\).*/\1/p' "$log" | head -n1)"
    printf -v "P_$name" '%s' "$(sed -n 's/.* start .* pid=\([0-9]*\).*/\1/p' "$log" | head -n1)"
}

# e2e_describe_job PID: what became of a program started in the background
# with kv_wine: its exit code, or each process below PID with the state and
# the kernel wait of each of its threads.
e2e_describe_job() {
    local pid=$1 p t
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        echo "  it has ended, exit code $?"
        return 0
    fi
    echo "  it still runs:"
    for p in $(e2e_job_tree "$pid"); do
        echo "    process $p ($(cat "/proc/$p/comm" 2>/dev/null)): $(awk '/^State/ { print $2, $3 }' "/proc/$p/status" 2>/dev/null)"
        for t in "/proc/$p/task/"*; do
            echo "      thread ${t##*/} ($(cat "$t/comm" 2>/dev/null)) waits in $(cat "$t/wchan" 2>/dev/null)"
        done
    done
}

# e2e_job_tree PID: PID and every process below it
e2e_job_tree() {
    local c
    echo "$1"
    for c in $(pgrep -P "$1"); do e2e_job_tree "$c"; done
}

# e2e_wait_log FILE ERE [COUNT] [SECONDS]: waits until COUNT lines match.
e2e_wait_log() {
    local file=$1 pattern=$2 count=${3:-1} seconds=${4:-10} i
    for ((i = 0; i < seconds * 50; i++)); do
        [ "$(grep -cE -- "$pattern" "$file" 2>/dev/null)" -ge "$count" ] && return 0
        sleep 0.02
    done
    return 1
}

# e2e_count FILE ERE [FROM_LINE]: matching lines after line FROM_LINE.
e2e_count() {
    tail -n +"$((${3:-0} + 1))" "$1" 2>/dev/null | grep -cE -- "$2"
}

# e2e_mark FILE: the number of lines so far, for e2e_count/e2e_since.
e2e_mark() { wc -l <"$1" | tr -d ' '; }

# e2e_since FILE MARK: the lines after MARK.
e2e_since() { tail -n +"$(($2 + 1))" "$1"; }

# e2e_wine_pid PID: the Linux process of a program started in the background
# with kv_wine (PID is the subshell; below it are timeout and the program).
# The 64-bit loader cannot run a 32-bit program itself: it runs start.exe,
# which starts the program as a process of its own outside that tree and
# waits for it. That one is found by its name (the loader's argument) among
# the processes of this prefix.
e2e_wine_pid() {
    local pid=$1 loader="" name p
    while [ -n "$pid" ]; do
        case $(cat "/proc/$pid/comm" 2>/dev/null) in
            bash) ;;
            timeout) loader=$pid ;;
            start.exe) break ;;
            *) echo "$pid"; return 0 ;;
        esac
        pid=$(pgrep -P "$pid" | head -n1)
    done
    [ -n "$pid" ] && [ -n "$loader" ] || return 1
    # timeout's arguments: seconds, loader, program
    name=$(tr '\0' '\n' <"/proc/$loader/cmdline" | sed -n 4p)
    name=${name##*/}
    name=${name##*\\}
    for p in $(pgrep -x "${name:0:15}"); do
        if { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
            echo "$p"
            return 0
        fi
    done
    return 1
}
