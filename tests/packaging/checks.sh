# Shared by the packaging checks: PASS/FAIL lines, the list of files a machine gets, and the
# program's --version without a display. Sourced; the caller exits with $((failures > 0)).
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "PASS: $*"; }

# same_files WHAT ROOT FILES: FILES (one per line, paths below ROOT, e.g. "./usr/") must be
# exactly those of installed_files.txt.
same_files() {
    local what=$1 root=$2 files
    files=$(sort <<<"$3")
    local expected
    expected=$(grep -v '^#' "$(dirname "${BASH_SOURCE[0]}")/installed_files.txt" |
        sed "s|^|$root|" | sort)
    if [ "$expected" = "$files" ]; then
        pass "$what"
    else
        fail "$what differ from installed_files.txt:"
        diff <(echo "$expected") <(echo "$files") | sed 's/^/    /'
    fi
}

# answers_version PROGRAM VERSION: PROGRAM --version prints its name and VERSION
# ("nvx10config 1.0.0") with no display to connect to.
answers_version() {
    local printed
    printed=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1" --version 2>&1)
    [ "$printed" = "$(basename "$1") $2" ] && pass "$(basename "$1") --version" ||
        fail "$(basename "$1") --version printed \"$printed\""
}
