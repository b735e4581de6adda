#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Saves that fail, two command-line tools at once, a damaged rules file and another user's socket,
# tried on the built programs in a private mount namespace (its own /tmp and a tiny full disk):
# a failed save says "not saved" and exits 1, two tools at once both keep their rule, removing a
# rule that is not there fails, a fresh data folder is made, a damaged rules file lifts no block
# at the application's next start, and a socket another user made first is never written to.
set -euo pipefail
script=store.sh
# shellcheck source=tests/reliability/lib.sh
. "$(dirname -- "$0")/lib.sh"
private_mounts "$@"

# cli HOME ARGS...: the tool on data folder HOME; its words in $out/cli.log.
cli() {
    local home=$1
    shift
    NATTERVANE_HOME=$home "$cli" "$@" >"$out/cli.log" 2>&1
}

home=$out/full
mkdir -p "$home"
mount -t tmpfs -o size=256k tmpfs "$home"
cli "$home" rules set before.example block
# One page left: room for the lock, none for the new rules file.
used=$(du -s --block-size=4k "$home" | cut -f1)
dd if=/dev/zero of="$home/filler" bs=4k count=$((64 - 1 - used)) 2>/dev/null
if cli "$home" rules set whilefull.example block; then
    fail "a rule saved on a full disk was reported changed"
else
    check "a save on a full disk says so" grep -q "not saved" "$out/cli.log"
fi
cli "$home" rules
check "the rule of the failed save is not listed" bash -c "! grep -q whilefull '$out/cli.log'"
mount -o remount,ro "$home"
if cli "$home" rules remove before.example; then fail "a removal on a read-only disk was reported"; fi
if NATTERVANE_HOME=$home QT_QPA_PLATFORM=offscreen timeout 8 "$app" >"$out/app-ro.log" 2>&1; then
    fail "a start on a read-only disk ended as if another ran"
else
    check "a start on a read-only disk says why and fails" grep -q "cannot use the data folder" "$out/app-ro.log"
fi
umount "$home"

home=$out/fresh/not/yet
check "a rule is set in a data folder that does not exist yet" cli "$home" rules set a.example block
check "removing a rule that is not there fails" bash -c "! NATTERVANE_HOME='$home' '$cli' rules remove nothere.example 2>/dev/null"

home=$(fresh_home race)
lost=0
for round in $(seq 1 12); do
    NATTERVANE_HOME=$home "$cli" rules set "one-$round.example" block >"$out/one.log" 2>&1 &
    NATTERVANE_HOME=$home "$cli" rules set "two-$round.example" block >"$out/two.log" 2>&1 &
    wait %1 || lost=$((lost + 1))
    wait %2 || lost=$((lost + 1))
done
NATTERVANE_HOME=$home "$cli" rules >"$out/race.log"
kept=$(grep -c -- '-[0-9]*\.example' "$out/race.log" || true)
check "two tools at once both keep their rule (24 of 24 kept, $lost refused)" \
    test "$kept" = 24 -a "$lost" = 0

home=$(fresh_home damaged)
cli "$home" rules set 192.0.2.7 block
cli "$home" rules set blocked.example block
printf 'x' | dd of="$home/rules.json" bs=1 seek=0 conv=notrunc 2>/dev/null
NATTERVANE_HOME=$home QT_QPA_PLATFORM=offscreen timeout -s TERM 8 "$app" >"$out/app.log" 2>&1 || true
check "a damaged rules file lifts no address block" grep -qx 192.0.2.7 "$home/helper/block_ips.txt"
check "a damaged rules file lifts no domain block" grep -q blocked.example "$home/helper/block_domains.txt"
check "the damaged file is kept aside" compgen -G "$home/rules.json.bad-*"
cli "$home" rules
check "the rules are restored from the last save's copy" grep -q blocked.example "$out/cli.log"

# Another user makes the socket's folder and listens where the tool would send its edit.
home=$(fresh_home taken)
canonical=$(realpath -m "$home")
name=$(python3 -c '
import sys
h = 14695981039346656037
for c in sys.argv[1].encode():
    h = ((h ^ c) * 1099511628211) % (1 << 64)
print("nattervane-%016x.socket" % h)' "$canonical")
rm -rf "/tmp/nattervane-$(id -u)"
mkdir -m 0755 "/tmp/nattervane-$(id -u)"
chown nobody "/tmp/nattervane-$(id -u)"
setpriv --reuid nobody --regid nogroup --clear-groups python3 -c '
import socket, sys
s = socket.socket(socket.AF_UNIX)
s.bind(sys.argv[1]); s.listen(4); s.settimeout(10)
c, _ = s.accept()
open(sys.argv[2], "w").write(c.recv(4096).decode()); c.sendall(b"ok\n")' \
    "/tmp/nattervane-$(id -u)/$name" "/tmp/heard" >"$out/attacker.log" 2>&1 &
sleep 1
cli "$home" rules set stolen.example block || true
check "another user's socket folder is refused" grep -q "only this user can write in" "$out/cli.log"
check "another user's listener hears nothing" test ! -s /tmp/heard
kill %% 2>/dev/null || true
finish
