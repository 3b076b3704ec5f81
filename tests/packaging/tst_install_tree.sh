#!/usr/bin/env bash
# `cmake --install` into a scratch prefix: exactly the files a technician's machine gets, each
# of them usable. The programs answer --version without a display, every option their --help
# prints is in their man page, the man pages render without warnings, the icon PNGs have
# their sizes, the menu entry names an installed program and icon and opens the installed
# configuration file type, the sample files are configurations the simulated panel takes, and
# the desktop file, MIME type and metainfo pass their validators when those are installed.
#
# Usage: tst_install_tree.sh BUILD_DIR VERSION
set -u
build=$1
version=$2
source "$(dirname "$0")/checks.sh"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

if ! cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
    cat "$prefix.log"; rm -f "$prefix.log"
    echo "FAIL: cmake --install"; exit 1
fi
rm -f "$prefix.log"

same_files "installed files" "" "$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||')"

for program in nvx10config nvx10-panel-sim; do
    bin=$prefix/bin/$program
    page=$prefix/share/man/man1/$program.1.gz
    [ -x "$bin" ] && [ -f "$page" ] || { fail "$program: program or man page missing"; continue; }

    help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin" --help 2>&1) ||
        fail "$program --help exits non-zero without a display"
    answers_version "$bin" "$version"

    source=$(gzip -dc "$page")
    options=$(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u)
    [ -n "$options" ] || fail "$program --help printed no options: $help"
    missing=()
    for option in $options; do
        grep -qF -- "\\-\\-${option#--}" <<<"$source" || missing+=("$option")
    done
    [ ${#missing[@]} -eq 0 ] && pass "$program: every --help option is in the man page" ||
        fail "$program: man page lacks ${missing[*]}"
    grep -qE "^\.TH [^ ]+ 1 .*\b${version//./\\.}\b" <<<"$source" &&
        pass "$program: man page carries the version" || fail "$program: .TH line lacks the version"
    if command -v groff >/dev/null; then
        warnings=$(groff -man -Tutf8 -ww -z <<<"$source" 2>&1)
        [ -z "$warnings" ] && pass "$program: man page renders cleanly" ||
            fail "$program: groff warns: $warnings"
    fi
done

if command -v file >/dev/null; then
    for size in 48 128 256; do
        png=$prefix/share/icons/hicolor/${size}x${size}/apps/org.nvx10.nvx10config.png
        file -b "$png" | grep -q "PNG image data, $size x $size" && pass "icon at $size px" ||
            fail "icon at $size px: $(file -b "$png")"
    done
fi

desktop=$prefix/share/applications/org.nvx10.nvx10config.desktop
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -x "$prefix/bin/$exec_name" ] && pass "menu entry starts an installed program" ||
    fail "menu entry's Exec=$exec_name is not installed"
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon_name.svg" ] &&
    pass "menu entry's icon is installed" || fail "menu entry's Icon=$icon_name is not installed"

# A double-clicked .qcf file: the entry takes a file (%f) of the type the MIME file defines.
mime_type=$(sed -n 's/^MimeType=\([^;]*\);$/\1/p' "$desktop")
grep -q '^Exec=[^ ]* %f$' "$desktop" && pass "menu entry takes a file" ||
    fail "menu entry's Exec takes no file: $(grep '^Exec=' "$desktop")"
mime_xml=$prefix/share/mime/packages/org.nvx10.nvx10config.xml
[ -n "$mime_type" ] && grep -qF "<mime-type type=\"$mime_type\">" "$mime_xml" &&
    pass "menu entry opens the installed type $mime_type" ||
    fail "menu entry's MimeType=\"$mime_type\" is not defined in $mime_xml"
if command -v update-mime-database >/dev/null; then
    # The database built from the file alone: the glob, matched in any letter case (no "cs").
    data=$(mktemp -d)
    mkdir -p "$data/mime/packages" && cp "$mime_xml" "$data/mime/packages/"
    out=$(XDG_DATA_DIRS=$data update-mime-database "$data/mime" 2>&1)
    glob=$(grep -F ":$mime_type:" "$data/mime/globs2" 2>/dev/null)
    [ -z "$out" ] && [ "${glob#*:}" = "$mime_type:*.qcf" ] &&
        pass "MIME type: *.qcf in any letter case" || fail "MIME type: \"$glob\" $out"
    rm -rf "$data"
else
    echo "SKIP: update-mime-database is not installed"
fi

# Every sample is a configuration the program takes: the simulated panel, which refuses what
# the program refuses, starts on it and runs until stopped.
samples=("$prefix"/share/doc/nvx10config/examples/*.qcf)
for sample in "${samples[@]}"; do
    timeout 2 "$prefix/bin/nvx10-panel-sim" --config "$sample" >/dev/null 2>"$prefix.err"
    status=$?
    [ $status -eq 124 ] && pass "sample $(basename "$sample") is taken" ||
        fail "sample $(basename "$sample"): nvx10-panel-sim ended with $status: $(cat "$prefix.err")"
done
rm -f "$prefix.err"

if command -v desktop-file-validate >/dev/null; then
    out=$(desktop-file-validate "$desktop" 2>&1)
    [ -z "$out" ] && pass "desktop-file-validate" || fail "desktop-file-validate: $out"
else
    echo "SKIP: desktop-file-validate is not installed"
fi
if command -v appstreamcli >/dev/null; then
    out=$(appstreamcli validate --no-net --pedantic \
        "$prefix/share/metainfo/org.nvx10.nvx10config.metainfo.xml" 2>&1) &&
        pass "appstreamcli validate" || fail "appstreamcli validate: $out"
else
    echo "SKIP: appstreamcli is not installed"
fi

exit $((failures > 0))
