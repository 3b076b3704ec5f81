#!/usr/bin/env bash
# The window on a real X server whose window manager frames it and keeps a 32 px desktop bar
# free: as drawn where the screen has room, else no larger than the rest of the screen, with a
# scroll bar. Skipped (77) without Xvfb, openbox and xprop. FIT_SHOTS=DIR keeps screenshots.
#
# Usage: tst_screen_fit.sh TST_SCREEN_FIT
set -u
program=$1

# shellcheck source=../support/x_server.sh
. "$(dirname "$0")/../support/x_server.sh"
x_test_begin Xvfb openbox xprop

# check NAME SIZE SCALE EXPECT: the window on a SIZE screen at QT_SCALE_FACTOR SCALE.
check() {
    start_x_server "$1" "$2" 32
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$3 FIT_EXPECT=$4 \
        "$program" fitsTheAvailableArea >"$tmp/$1.log" 2>&1 ||
        fail "$1: $(grep -E 'FAIL|Loc|Actual|Expected' "$tmp/$1.log")"
    stop_x_server
    echo "PASS: $1 ($2 at scale $3: $4)"
}

check hd 1280x720 1 drawn
check laptop 1366x768 1 drawn
check hd-scaled 1920x1080 1.5 drawn
check netbook 1024x600 1 scrolls
check scaled 1920x1080 2 scrolls
