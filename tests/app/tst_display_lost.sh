#!/usr/bin/env bash
# The X display goes away during a panel write (a session ending): the window system ends the
# program at once, and the serial trace's last line still says that the write was cut off,
# why, and where. Skipped (77) without Xvfb and xdotool.
#
# Usage: tst_display_lost.sh PROGRAM SIMULATOR SAMPLE.qcf
set -u
program=$1
sim=$2
sample=$3
# shellcheck source=../support/x_server.sh
. "$(dirname "$0")/../support/x_server.sh"
x_test_begin Xvfb xdotool

start_x_server lost 1280x1024
"$sim" --pace --trace --link "$tmp/ttyNVX" >"$tmp/sim.out" 2>"$tmp/sim.err" &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/sim.out" ] && break; sleep 0.05; done

QT_QPA_PLATFORM=xcb "$program" --port "$tmp/ttyNVX" --trace "$tmp/serial.trace" "$sample" \
    >"$tmp/program.log" 2>&1 &
app=$!
pids+=($app)
window=
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --class nvx10config 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "the window did not appear: $(cat "$tmp/program.log")"

# WRITE_CONFIG sits at 8760, 2520 (2415 x 855 twips): its middle is about (664, 196) pixels.
xdotool mousemove --window "$window" 664 196 click 1
for _ in $(seq 100); do grep -q "^[0-9]*: write 5 = " "$tmp/sim.err" && break; sleep 0.05; done
grep -q "^[0-9]*: write 5 = " "$tmp/sim.err" || fail "the write did not start: $(cat "$tmp/sim.err")"
stop_x_server

status=
for _ in $(seq 100); do
    if ! kill -0 "$app" 2>/dev/null; then
        wait "$app"
        status=$?
        break
    fi
    sleep 0.1
done
[ -n "$status" ] && pass "the program ended with the display (status $status)" ||
    fail "the program is still running without its display"
last=$(tail -n 1 "$tmp/serial.trace")
grep -qE "end: the program was ended during the operation \(.*X11.*\); .*; .*LOCATION [0-9]+ OF 25" \
    <<<"$last" && pass "the trace's last line says the write was cut off: ${last#*end: }" ||
    fail "trace ends with: $last"
exit 0
