#!/usr/bin/env bash
# The titles the window system is handed, read back from a real X server: the window's and
# a message box's own captions, with nothing appended. (Offscreen tests see windowTitle(),
# which never carries what the desktop adds.) A damaged file named on the command line brings
# its box over the window by itself. Skipped (77) without Xvfb and the X tools.
#
# Usage: tst_window_title.sh PROGRAM
set -u
program=$1
caption="KDR NVX 10 BUTTON DIMMABLE SWITCH PANEL LIMITED ACCESS CONFIGURATION PROGRAM"
boxTitle="SERIAL PORT ERROR"

# shellcheck source=../support/x_server.sh
. "$(dirname "$0")/../support/x_server.sh"
x_test_begin Xvfb xprop xdotool

start_x_server title 1280x1024

# The visible top-level windows of the program, one id per line.
windows() { xdotool search --onlyvisible --class nvx10config 2>/dev/null; }
titleOf() { xprop -id "$1" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME([A-Z0-9_]*) = "\(.*\)"$/\1/p'; }
waitFor() { # count
    for _ in $(seq 100); do
        [ "$(windows | wc -l)" -ge "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

# A port that cannot exist: READ_CONFIG then shows the serial port box.
QT_QPA_PLATFORM=xcb "$program" --port "$tmp/no-such-port" >"$tmp/program.log" 2>&1 &
pids+=($!)
waitFor 1 || fail "the window did not appear: $(cat "$tmp/program.log")"
window=$(windows | head -n 1)
title=$(titleOf "$window")
[ "$title" = "$caption" ] || fail "window title handed to the window system: \"$title\""
echo "PASS: window title"

# READ_CONFIG sits at 8760, 1440 (2415 x 855 twips): its middle is about (664, 124) pixels.
xdotool mousemove --window "$window" 664 124 click 1
waitFor 2 || fail "no message box appeared: $(cat "$tmp/program.log")"
box=$(windows | grep -vx "$window" | head -n 1)
title=$(titleOf "$box")
[ "$title" = "$boxTitle" ] || fail "message box title handed to the window system: \"$title\""
echo "PASS: message box title"

# A damaged configuration file on the command line, as a file manager passes it: the window
# opens, then the file's refusal box over it, with no click.
# (The first program waits in its box, which a signal does not close: end it outright.)
disown "${pids[-1]}"
kill -KILL "${pids[-1]}" 2>/dev/null
for _ in $(seq 100); do [ -z "$(windows)" ] && break; sleep 0.1; done
[ -z "$(windows)" ] || fail "the first program's windows did not go"
printf '"51-20417-MDL or 51-20426-MDL","CUT SHORT"\r\n' >"$tmp/cut.qcf"
QT_QPA_PLATFORM=xcb "$program" --port "$tmp/no-such-port" "$tmp/cut.qcf" >"$tmp/program.log" 2>&1 &
pids+=($!)
waitFor 2 || fail "no box for a damaged file on the command line: $(cat "$tmp/program.log")"
titles=$(for id in $(windows); do titleOf "$id"; done | sort)
[ "$titles" = "$(printf '%s\n' "$caption" "FILE/MODEL MIS-MATCH" | sort)" ] ||
    fail "windows for a damaged file on the command line: $titles"
echo "PASS: a damaged file on the command line brings its box"
