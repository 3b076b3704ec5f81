# shellcheck shell=bash
# An X server for a test, sourced by the shell checks: Xvfb, and for a test that needs one,
# openbox, which frames windows with a title bar and keeps a strip at the top of the screen free
# of them, as a desktop bar does (it publishes the rest as the work area, _NET_WORKAREA).
# The caller provides $tmp (a scratch folder) and fail(), or calls x_test_begin.

x_pids=()

# x_test_begin TOOL...: skips the test (77) unless every TOOL is installed; makes $tmp, the
# list $pids of processes to end, fail(), pass(), and a cleanup of all of them at exit.
x_test_begin() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool not installed"; exit 77; }
    done
    tmp=$(mktemp -d)
    pids=()
    trap x_test_end EXIT
}
x_test_end() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    stop_x_server
    wait 2>/dev/null
    rm -rf "$tmp"
}
fail() { echo "FAIL: $*"; exit 1; }
pass() { echo "PASS: $*"; }

# start_x_server NAME WIDTHxHEIGHT [BAR]: sets DISPLAY; with BAR, openbox keeps BAR pixels free.
start_x_server() {
    local name=$1 size=$2 bar=${3:-}
    # -noreset: the server stays as it is when its last client goes, so that the client after
    # it (the window manager after a probe) never meets a server in the middle of a reset.
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$tmp/$name.display" \
        2>"$tmp/$name.xvfb.log" &
    x_pids+=("$!")
    for _ in $(seq 100); do [ -s "$tmp/$name.display" ] && break; sleep 0.1; done
    [ -s "$tmp/$name.display" ] || fail "Xvfb did not start: $(cat "$tmp/$name.xvfb.log")"
    DISPLAY=":$(cat "$tmp/$name.display")"
    export DISPLAY
    unset WAYLAND_DISPLAY
    # The number is written when the server listens; on a busy machine a client may still be
    # turned away for a moment.
    for _ in $(seq 100); do xprop -root >/dev/null 2>&1 && break; sleep 0.1; done
    xprop -root >/dev/null 2>&1 || fail "Xvfb on $DISPLAY accepts no client: $(cat "$tmp/$name.xvfb.log")"
    [ -n "$bar" ] || return 0
    cat >"$tmp/$name.openbox.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <margins><top>$bar</top><bottom>0</bottom><left>0</left><right>0</right></margins>
  <desktops><number>1</number></desktops>
</openbox_config>
EOF
    # A window manager turned away by a busy server ends at once: it gets two more tries.
    local wm
    for _ in 1 2 3; do
        openbox --config-file "$tmp/$name.openbox.xml" >>"$tmp/$name.openbox.log" 2>&1 &
        wm=$!
        x_pids+=("$wm")
        for _ in $(seq 100); do
            xprop -root _NET_WORKAREA 2>/dev/null | grep -q "= 0, $bar, " && return 0
            kill -0 "$wm" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$wm" 2>/dev/null && break
    done
    fail "openbox published no work area on $DISPLAY: $(cat "$tmp/$name.openbox.log")
the server's log: $(cat "$tmp/$name.xvfb.log")
a probe now: $(xprop -root _NET_WORKAREA 2>&1)"
}

# Ends the X server and window manager started last.
stop_x_server() {
    local pid
    for pid in "${x_pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${x_pids[@]}"; do wait "$pid" 2>/dev/null; done
    x_pids=()
}
