#!/bin/bash
# Private Wine environments with the virtual receiver already installed.
#
# Use as functions (source it) or as a command:
#
#   source prefix.sh
#   kv_up BUILD_DIR        # Xvfb + fresh prefix from the template + wineserver -p
#   kv_wine kvreceiver press 1A   # runs "$KV_BIN/kvreceiver.exe press 1A" under timeout
#   kv_down                # wineserver -k, stop Xvfb, delete the prefix
#
#   eval "$(prefix.sh up BUILD_DIR)"   # same, prints the variables to export
#   prefix.sh down                     # uses the exported KV_* variables
#   prefix.sh template BUILD_DIR       # (re)build the cached template only
#
# BUILD_DIR is the output of build.sh. The template is one booted prefix with
# the virtual devices installed; each run copies it, so devices come back by
# themselves when the copy boots (the driver's service sits in the WinePlugPlay
# group). Templates are cached under $KV_CACHE (default
# ${XDG_CACHE_HOME:-$HOME/.cache}/kvreceiver), keyed by the driver's sources
# and the Wine version, so a changed driver makes a new one.
#
# Sourcing it sets a UTF-8 locale when the caller has none (LC_ALL=C.UTF-8).
# Exported by kv_up: DISPLAY WINEPREFIX WINEDEBUG WINEDLLOVERRIDES WINESERVER
# KV_BIN KV_XVFB_PID KV_PREFIX KV_RUN_DIR.
# Every Wine process runs under timeout ($KV_TIMEOUT seconds, default 60).

KV_WINE=${KV_WINE:-/usr/lib/wine/wine64}
KV_WINESERVER=${KV_WINESERVER:-/usr/lib/wine/wineserver}
# The 32-bit loader, present once wine32:i386 is installed. wine64 hands a
# 32-bit program to it by itself; a prefix made without it lacks the 32-bit
# half of the system, so it is part of the template key.
KV_WINE32=${KV_WINE32:-/usr/lib/wine/wine}
KV_TIMEOUT=${KV_TIMEOUT:-60}

kv_log() { echo "kv: $*" >&2; }

# Wine maps file names through the Unix locale's character set: outside a
# UTF-8 locale a Japanese folder name cannot be reached. A shell with none
# (no LANG at all, as in a minimal root) runs Wine in C.UTF-8, which every
# Debian system has.
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8

# Starts a private X server on a free display; sets DISPLAY and KV_XVFB_PID.
kv_xvfb_start() {
    local dir=${1:?run dir} i
    rm -f "$dir/displayfd"
    # setsid keeps it alive after a calling script exits; -displayfd lets the
    # server pick a free display instead of a fixed number.
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
        3>"$dir/displayfd" >"$dir/xvfb.log" 2>&1 </dev/null &
    KV_XVFB_PID=$!
    for i in $(seq 100); do
        [ -s "$dir/displayfd" ] && break
        sleep 0.1
    done
    if [ ! -s "$dir/displayfd" ]; then
        kv_log "Xvfb did not start"; cat "$dir/xvfb.log" >&2
        kill "$KV_XVFB_PID" 2>/dev/null; KV_XVFB_PID=
        return 1
    fi
    DISPLAY=:$(head -n1 "$dir/displayfd")
    export DISPLAY KV_XVFB_PID
}

kv_xvfb_stop() {
    if [ -n "${KV_XVFB_PID:-}" ]; then
        kill "$KV_XVFB_PID" 2>/dev/null
        timeout 10 tail --pid="$KV_XVFB_PID" -f /dev/null 2>/dev/null
        KV_XVFB_PID=
    fi
}

kv_env() {
    export WINEPREFIX=${1:?prefix}
    export WINEDEBUG=${KV_WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINESERVER=$KV_WINESERVER
}

# kv_wine PROGRAM ARGS...: PROGRAM is a Windows program name, or a name in
# $KV_BIN ("kvreceiver", "rawprobe"), or a path to an .exe.
kv_wine() {
    local prog=$1; shift
    if [ -f "${KV_BIN:-}/$prog.exe" ]; then prog=$KV_BIN/$prog.exe; fi
    timeout "$KV_TIMEOUT" "$KV_WINE" "$prog" "$@"
}

# The persistent server and the processes a boot spawns (services, winedevice,
# explorer) must not hold the caller's stdout/stderr open, or a caller that
# captures output (eval "$(prefix.sh up ...)") would wait for them forever.
kv_server_start() { timeout 10 "$KV_WINESERVER" -p </dev/null >/dev/null 2>&1; }

# Boots the prefix with stdio going to a log, so the spawned system processes
# inherit the log rather than the caller's pipes.
kv_boot() { timeout "$KV_TIMEOUT" "$KV_WINE" wineboot </dev/null >>"${1:?log}" 2>&1; }

kv_server_stop() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    timeout 20 "$KV_WINESERVER" -k 2>/dev/null
    timeout 20 "$KV_WINESERVER" -w 2>/dev/null
    kv_kill_strays "$WINEPREFIX"
    return 0
}

# A Wine process that starts while its server is going away (a service that
# the shutdown restarts, say) can wait for that server for ever, holding every
# descriptor it inherited: the caller's pipes and the template lock among
# them. Whatever still runs in the prefix once its server has gone is killed.
kv_kill_strays() {
    local prefix=${1:?prefix} p
    for p in /proc/[0-9]*; do
        { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" || continue
        kill -9 "${p#/proc/}" 2>/dev/null
    done
}

KV_SRC_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The key covers the driver's sources rather than the built bytes: the linker
# stamps every build differently, and a rebuild of the same sources should
# reuse the template.
kv_template_key() {
    { cat "$KV_SRC_DIR/kvhid.c" "$KV_SRC_DIR/kvhid.inf" "$KV_SRC_DIR/kvshared.h" "$KV_SRC_DIR/kvreceiver.c";
      "$KV_WINE" --version 2>/dev/null; [ -x "$KV_WINE32" ] && echo wow64; } | sha256sum | cut -c1-16
}

# kv_template_build BIN TEMPLATE CACHE: boots a new prefix, installs the
# devices and moves it to TEMPLATE.
kv_template_build() {
    local bin=$1 tmpl=$2 cache=$3 work start rc=0
    start=$(date +%s.%N)
    work=$(mktemp -d "$cache/build.XXXXXX")
    mkdir -p "$work/run"
    kv_xvfb_start "$work/run" || return 1
    kv_env "$work/prefix"
    KV_BIN=$bin
    kv_log "creating template (wineboot)"
    kv_server_start
    timeout 300 "$KV_WINE" wineboot -i </dev/null >"$work/run/wineboot.log" 2>&1 || rc=1
    kv_server_stop
    kv_server_start
    kv_boot "$work/run/wineboot.log"
    if [ $rc = 0 ]; then
        kv_wine kvreceiver install "$(winepath_w "$bin/kvhid.inf")" </dev/null >"$work/run/install.log" 2>&1 || rc=1
        kv_wine kvreceiver wait 30 </dev/null >>"$work/run/install.log" 2>&1 || rc=1
    fi
    timeout 60 "$KV_WINE" wineboot --shutdown </dev/null >/dev/null 2>&1
    kv_server_stop
    kv_xvfb_stop
    if [ $rc != 0 ]; then
        kv_log "template creation failed, logs in $work/run"; cat "$work/run/"*.log >&2
        return 1
    fi
    rm -rf "$tmpl"
    mv "$work/prefix" "$tmpl"
    touch "$tmpl/.kv-ready"
    rm -rf "$work"
    kv_log "template $tmpl ready in $(echo "$(date +%s.%N) - $start" | bc) s"
}

# Builds the template if it is missing; prints its path.
kv_template() {
    local bin=${1:?build dir} cache=${KV_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kvreceiver}
    local key tmpl
    bin=$(cd "$bin" && pwd) || return 1
    key=$(kv_template_key)
    tmpl=$cache/template-$key
    mkdir -p "$cache"
    (
        # one builder at a time; others wait and reuse its result
        flock -w 900 9 || { kv_log "template lock timeout"; exit 1; }
        [ -f "$tmpl/.kv-ready" ] && exit 0
        # The build's processes get neither the lock nor the caller's output:
        # the shell keeps its own copy of the lock out of their reach, so a
        # Wine process that outlives the build cannot hold either.
        kv_template_build "$bin" "$tmpl" "$cache" 9>&- >&2
    ) 9>"$cache/.lock" || return 1
    echo "$tmpl"
}

# Windows path of a Unix path (Wine maps / as Z:).
winepath_w() { local p; p=$(readlink -f "$1"); echo "Z:${p//\//\\}"; }

# Copies the template. The large DLL folders are hard-linked rather than copied
# (0.1 s instead of 1.7 s, ~700 MB less I/O): a running prefix only reads them,
# and Wine rewrites them only when it updates a prefix for a new Wine version,
# which is part of the template key. KV_LINK_COPY=0 forces a full copy.
kv_prefix_copy() {
    local tmpl=$1 dest=$2
    if [ "${KV_LINK_COPY:-1}" = 1 ]; then
        mkdir -p "$dest"
        (cd "$tmpl" && find . -mindepth 1 -maxdepth 1 ! -name drive_c -exec cp -a {} "$dest/" \;)
        mkdir -p "$dest/drive_c"
        (cd "$tmpl/drive_c" && find . -mindepth 1 -maxdepth 1 ! -name windows -exec cp -a {} "$dest/drive_c/" \;)
        mkdir -p "$dest/drive_c/windows"
        (cd "$tmpl/drive_c/windows" && for f in * .[!.]*; do
            [ -e "$f" ] || continue
            case $f in
                system32|syswow64|Microsoft.NET|mono|winsxs) cp -al "$f" "$dest/drive_c/windows/" ;;
                *) cp -a "$f" "$dest/drive_c/windows/" ;;
            esac
        done)
        # the driver store and drivers stay private copies
        rm -rf "$dest/drive_c/windows/system32/drivers"
        cp -a "$tmpl/drive_c/windows/system32/drivers" "$dest/drive_c/windows/system32/drivers"
    else
        cp -a "$tmpl" "$dest"
    fi
    rm -f "$dest/.kv-ready"
}

# kv_up BUILD_DIR: everything a test needs, devices usable when it returns.
kv_up() {
    local bin=${1:?build dir} tmpl t0 t1 t2
    bin=$(cd "$bin" && pwd) || return 1
    t0=$(date +%s.%N)
    tmpl=$(kv_template "$bin") || return 1
    KV_RUN_DIR=$(mktemp -d "${TMPDIR:-/tmp}/kvrun.XXXXXX")
    KV_PREFIX=$KV_RUN_DIR/prefix
    KV_BIN=$bin
    export KV_RUN_DIR KV_PREFIX KV_BIN
    t1=$(date +%s.%N)
    kv_prefix_copy "$tmpl" "$KV_PREFIX" || return 1
    t2=$(date +%s.%N)
    kv_xvfb_start "$KV_RUN_DIR" || return 1
    kv_env "$KV_PREFIX"
    kv_server_start
    # the boot starts services and winedevice, which loads kvhid.sys; wait
    # also covers the ~2 s raw-input device refresh
    kv_boot "$KV_RUN_DIR/boot.log"
    if ! kv_wine kvreceiver wait "${KV_WAIT:-30}" </dev/null >&2; then
        kv_log "devices did not come up"
        return 1
    fi
    kv_log "template $(echo "$t1 - $t0" | bc) s, copy $(echo "$t2 - $t1" | bc) s, boot+devices $(echo "$(date +%s.%N) - $t2" | bc) s"
}

# Debian's Wine keeps a prefix's server socket and lock in a folder of their
# own, server-<device>-<inode of the prefix>, under the folder that the
# prefix's file "wineserver" names in $TMPDIR (or under /run/user/<uid>/wine
# where that exists). The folder outlives the server; it goes with the prefix.
kv_server_dir_remove() {
    local prefix=$1 root dev ino dir
    if [ -d "/run/user/$(id -u)" ]; then
        root=/run/user/$(id -u)/wine
    else
        root=$(cat "$prefix/wineserver" 2>/dev/null) && [ -n "$root" ] || return 0
        root=${TMPDIR:-/tmp}/$root
    fi
    dev=$(stat -c %D "$prefix" 2>/dev/null) && ino=$(stat -c %i "$prefix" 2>/dev/null) || return 0
    dir=$root/server-$dev-$(printf %x "$ino")
    rm -f "$dir/lock" "$dir/socket" 2>/dev/null
    rmdir "$dir" 2>/dev/null
    return 0
}

kv_down() {
    if [ -n "${KV_PREFIX:-}" ]; then
        WINEPREFIX=$KV_PREFIX kv_server_stop
        kv_server_dir_remove "$KV_PREFIX"
    fi
    kv_xvfb_stop
    if [ -n "${KV_RUN_DIR:-}" ] && [ -d "$KV_RUN_DIR" ]; then rm -rf "$KV_RUN_DIR"; fi
    KV_PREFIX= KV_RUN_DIR=
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -u
    case ${1:-} in
        up)
            kv_up "${2:?usage: prefix.sh up BUILD_DIR}" || { kv_down; exit 1; }
            for v in DISPLAY WINEPREFIX WINEDEBUG WINEDLLOVERRIDES WINESERVER KV_BIN KV_XVFB_PID KV_PREFIX KV_RUN_DIR; do
                printf 'export %s=%q\n' "$v" "${!v}"
            done ;;
        down) kv_down ;;
        template) kv_template "${2:?usage: prefix.sh template BUILD_DIR}" ;;
        *) echo "usage: prefix.sh up BUILD_DIR | down | template BUILD_DIR" >&2; exit 2 ;;
    esac
fi
