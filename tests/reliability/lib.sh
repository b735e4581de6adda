# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Pieces shared by the reliability checks: PASS and FAIL lines, a throw-away data folder per
# case, and a normal user to run the programs as. Sourced by bash; the script sets `script` first.
# Usage of every check: NAME.sh BUILD_DIR SOURCE_DIR OUT_DIR (as root).

if [ $# -lt 3 ]; then
    echo "usage: $0 BUILD_DIR SOURCE_DIR OUT_DIR" >&2
    exit 1
fi
build=$(realpath "$1")
source_dir=$(realpath "$2")
out=$3
cli=$build/src/cli/nattervane-cli
app=$build/src/app/nattervane
helper=$build/src/helper/nattervane-helper
if [ "$(id -u)" != 0 ] || ! unshare -n -m true 2>/dev/null; then
    echo "skipped: needs root for private namespaces" >&2
    exit 2
fi
rm -rf "$out"
mkdir -p "$out"
out=$(realpath "$out")
failures=0

pass() { echo "PASS $script: $*"; }
fail() {
    echo "FAIL $script: $*" >&2
    failures=$((failures + 1))
}
# check DESCRIPTION COMMAND...: PASS when COMMAND succeeds, else FAIL.
check() {
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}
# finish: the check's exit status.
finish() {
    [ "$failures" = 0 ] || { echo "$script: $failures failed" >&2; exit 1; }
    echo "$script: all passed"
}
# fresh_home NAME: an empty data folder for one case, owned by root; prints its path.
fresh_home() {
    local home=$out/$1
    rm -rf "$home"
    mkdir -p "$home"
    echo "$home"
}
# private_mounts ARGS...: runs the check again in a mount namespace of its own, with its own
# /tmp and no XDG_RUNTIME_DIR, so the programs' sockets and files there are its own.
private_mounts() {
    if [ -z "${NV_PRIVATE_MOUNTS:-}" ]; then
        exec unshare -m --propagation private env NV_PRIVATE_MOUNTS=1 "$0" "$@"
    fi
    mount -t tmpfs -o mode=1777 tmpfs /tmp
    unset XDG_RUNTIME_DIR
}
