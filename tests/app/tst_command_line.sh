#!/usr/bin/env bash
# The installed program's command line on a terminal without a display (ssh, a packaging
# script, a man-page generator): --help, --help-all and --version print and exit 0; a mistyped option
# prints the mistake and the usage on standard error and exits 2, as do two files to open. A
# --trace FILE that is no plain file or cannot be written, or a --practice=FILE that cannot be
# read, exits 2 with one line, never waiting on the file and before any window. --sheet writes a
# file's configuration sheet as a PDF without a display, or exits 2 with the file's cause. The window
# itself says in one line that there is no display and exits 1; offscreen it needs none. So
# does scripts/run, before it builds.
#
# Usage: tst_command_line.sh PROGRAM VERSION
set -u
program=$1
version=$2
failures=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkfifo "$scratch/pipe"

with=() # environment settings, and a command to run the program under, for the next row only
check() { # name expected-status stream pattern -- arguments...
    local name=$1 expected=$2 stream=$3 pattern=$4
    shift 5
    local out err status
    out=$(mktemp) err=$(mktemp)
    # A program held by the file it was given would never end: the timeout ends it.
    timeout 20 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "${with[@]}" "$program" "$@" >"$out" 2>"$err"
    status=$?
    with=()
    local text
    text=$(cat "$([ "$stream" = stdout ] && echo "$out" || echo "$err")")
    if [ "$status" -ne "$expected" ] || ! grep -qF -- "$pattern" <<<"$text"; then
        echo "FAIL: $name: exit $status (expected $expected); $stream did not show \"$pattern\""
        echo "--- stdout:"; cat "$out"; echo "--- stderr:"; cat "$err"
        failures=$((failures + 1))
    else
        echo "PASS: $name"
    fi
    rm -f "$out" "$err"
}

check "--help" 0 stdout "--port <NAME>" -- --help
check "-h" 0 stdout "Usage: " -- -h
check "--help-all lists the Qt options" 0 stdout "-platform <NAME>" -- --help-all
check "--version" 0 stdout "nvx10config $version" -- --version
check "unknown option" 2 stderr "nvx10config: Unknown option 'baud'." -- --baud 19200
check "unknown option shows the usage" 2 stderr "--port <NAME>" -- --baud 19200
check "--port without a name" 2 stderr "Missing value after '--port'." -- --port
check "--help names the file to open" 0 stdout "[FILE.qcf]" -- --help
check "two files" 2 stderr "Only one configuration file can be opened, not 2." -- a.qcf b.qcf
check "--practice= a file that is not there" 2 stderr \
    "nvx10config: --practice: cannot read $scratch/none.qcf: " -- --practice="$scratch/none.qcf"
# Refused before any window, offscreen as on a desktop.
trace="nvx10config: cannot write the trace file"
pipe="It is not a plain file but a pipe, a device or a socket."
with=(QT_QPA_PLATFORM=offscreen)
check "--trace to a pipe without a reader" 2 stderr "$trace $scratch/pipe: $pipe" -- --trace "$scratch/pipe"
with=(QT_QPA_PLATFORM=offscreen)
check "--trace to a device" 2 stderr "$trace /dev/null: $pipe" -- --trace /dev/null
with=(QT_QPA_PLATFORM=offscreen)
check "--trace to a folder" 2 stderr "$trace $scratch: It is a folder, not a file." -- --trace "$scratch"
with=(QT_QPA_PLATFORM=offscreen)
check "--trace in a missing folder" 2 stderr "$trace $scratch/none/t.trace: " -- --trace "$scratch/none/t.trace"
# --sheet OUT.pdf FILE.qcf writes the sheet of a file without a display and ends; the PDF's
# text as poppler reads it, in the order it was written.
examples=$(dirname "$0")/../../examples
sheet=(bash -c '"$0" "$@" >/dev/null && pdftotext -raw "$2" -')
with=("${sheet[@]}")
check "--sheet: the panel name" 0 stdout "PANEL NAME: MAIN LOBBY" \
    -- --sheet "$scratch/lobby.pdf" "$examples/lobby.qcf"
with=("${sheet[@]}")
check "--sheet: the file" 0 stdout "FILE: $(realpath "$examples")/lobby.qcf" \
    -- --sheet "$scratch/lobby.pdf" "$examples/lobby.qcf"
with=("${sheet[@]}")
check "--sheet: a designation's row" 0 stdout "19 LED9 NIGHT LIGHTS B 3" \
    -- --sheet "$scratch/lobby.pdf" "$examples/lobby.qcf"
with=("${sheet[@]}")
check "--sheet: the last location" 0 stdout "25 DIMMED BACKLIGHTING AND INDICATOR 30 %" \
    -- --sheet "$scratch/corridor.pdf" "$examples/corridor.qcf"
head -c 200 "$examples/lobby.qcf" >"$scratch/cut.qcf"
check "--sheet of a refused file" 2 stderr \
    "nvx10config: --sheet: $scratch/cut.qcf: THE QUOTE THAT OPENS FIELD 25 (LED2 DESIGNATION) IS NEVER CLOSED" \
    -- --sheet "$scratch/cut.pdf" "$scratch/cut.qcf"
check "--sheet into a configuration file" 2 stderr "a sheet is never written into a configuration file" \
    -- --sheet "$scratch/cut.qcf" "$examples/lobby.qcf"
check "--sheet into a missing folder" 2 stderr \
    "nvx10config: --sheet: cannot write $scratch/none/lobby.pdf: " -- --sheet "$scratch/none/lobby.pdf" "$examples/lobby.qcf"
check "--sheet without a file" 2 stderr "--sheet needs the configuration file" -- --sheet "$scratch/x.pdf"
no_display="nvx10config: cannot open the window: no display (DISPLAY is not set)"
check "a file without a display" 1 stderr "$no_display" -- site.qcf
with=(QT_QPA_PLATFORM=xcb)
check "X chosen without a display" 1 stderr "$no_display" -- --port ttyS1
with=(QT_QPA_PLATFORM=offscreen)
check "-platform chooses over QT_QPA_PLATFORM" 1 stderr "$no_display" -- -platform xcb
with=(WAYLAND_DISPLAY=)
check "an empty WAYLAND_DISPLAY names none" 1 stderr "$no_display" --
# scripts/run says what it needs before it installs or builds anything (the timeout would end
# a build), by the same rule as the program.
run=(bash "$(dirname "$0")/../../scripts/run")
no_session="scripts/run: cannot open the window: no display; run it in a desktop session, or set DISPLAY (X) or WAYLAND_DISPLAY (Wayland). Nothing was built."
with=("${run[@]}")
check "scripts/run without a display" 1 stderr "$no_session" -- --practice
with=(QT_QPA_PLATFORM=offscreen "${run[@]}")
check "scripts/run, -platform xcb without a display" 1 stderr "$no_session" -- -platform xcb
# Offscreen the window opens and runs until the signal that ends it, 143 (128 + SIGTERM).
with=(QT_QPA_PLATFORM=offscreen timeout --preserve-status -s TERM 2)
check "offscreen needs no display" 143 stderr "" --
exit $((failures > 0))
