# shellcheck shell=bash
# How a test that cannot run here ends.
#
# A limit of the machine itself (no mount namespace, say) is a skip
# everywhere: exit code 77, with its reason. A missing package is a skip on a
# developer's machine too, but on a machine that ran scripts/install-deps.sh
# it means that script left the package out: with KORVANTA_STRICT=1, which
# .ci/run sets, it is a failure that names the package.
#
# Sourced:
#   missing_verdict WHAT   says SKIP or FAILED for "missing WHAT"; returns 77 or 1
#   end_missing WHAT       the same, then exits with that code
# As a command (for test runners that are no bash script):
#   bash tests/skips.sh WHAT

missing_verdict() {
    if [ "${KORVANTA_STRICT:-0}" = 1 ]; then
        echo "FAILED: missing $* (scripts/install-deps.sh should have installed it)"
        return 1
    fi
    echo "SKIP: missing $*"
    return 77
}

end_missing() {
    missing_verdict "$@"
    exit $?
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    end_missing "$@"
fi
