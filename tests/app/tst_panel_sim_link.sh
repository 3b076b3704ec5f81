#!/usr/bin/env bash
# nvx10-panel-sim --link PATH: the link is made, replaces a link left by an earlier run, never
# a file, and is removed at exit only while it still leads to this simulator's device.
#
# Usage: tst_panel_sim_link.sh SIMULATOR
set -u
sim=$1
tmp=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "PASS: $*"; }

# start LINK: runs the simulator with --link LINK in the background; its device path is in
# $tmp/device once it has started.
start() {
    # Emptied first: the child's own redirection may come after the wait below has looked, and
    # an earlier run's path would pass for this one's.
    : >"$tmp/device"
    "$sim" --link "$1" >"$tmp/device" 2>"$tmp/stderr" &
    pid=$!
    pids+=("$pid")
    for _ in $(seq 100); do [ -s "$tmp/device" ] && return 0; sleep 0.05; done
    return 1
}
stop() { kill -TERM "$1"; wait "$1" 2>/dev/null; }

# A file at the place: refused, untouched.
printf '"51-20417-MDL or 51-20426-MDL","LOBBY"\r\n' >"$tmp/lobby.qcf"
cp "$tmp/lobby.qcf" "$tmp/lobby.before"
timeout 10 "$sim" --link "$tmp/lobby.qcf" >/dev/null 2>"$tmp/stderr"
status=$?
[ $status -eq 2 ] && grep -qF "lobby.qcf exists and is not a symbolic link" "$tmp/stderr" &&
    pass "a file at the link's place is refused" || fail "exit $status: $(cat "$tmp/stderr")"
cmp -s "$tmp/lobby.qcf" "$tmp/lobby.before" && pass "the file is left as it was" ||
    fail "the file at the link's place was changed"

# A fresh name: linked to the device while running, gone after.
start "$tmp/ttyNVX" || fail "the simulator did not start: $(cat "$tmp/stderr")"
[ "$(readlink "$tmp/ttyNVX")" = "$(head -n 1 "$tmp/device")" ] && pass "link to the device" ||
    fail "link leads to \"$(readlink "$tmp/ttyNVX")\""
stop "$pid"
[ ! -e "$tmp/ttyNVX" ] && [ ! -L "$tmp/ttyNVX" ] && pass "link removed at exit" ||
    fail "link left behind"

# A link left by an earlier run (dangling): replaced.
ln -s /dev/pts/no-such-terminal "$tmp/ttyNVX"
start "$tmp/ttyNVX" || fail "the simulator did not start over a stale link: $(cat "$tmp/stderr")"
[ "$(readlink "$tmp/ttyNVX")" = "$(head -n 1 "$tmp/device")" ] && pass "stale link replaced" ||
    fail "stale link not replaced"

# Pointed elsewhere while running (a second simulator took the name): left alone at exit.
ln -sfn "$tmp/lobby.qcf" "$tmp/ttyNVX"
stop "$pid"
[ "$(readlink "$tmp/ttyNVX")" = "$tmp/lobby.qcf" ] && pass "a link that is no longer ours stays" ||
    fail "a link pointed elsewhere was removed"
cmp -s "$tmp/lobby.qcf" "$tmp/lobby.before" && pass "its target is untouched" ||
    fail "the file the link leads to was changed"
exit $((failures > 0))
