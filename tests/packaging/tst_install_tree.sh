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
    # The Windows program's icon file, from the same renderer: the sizes Explorer shows, each a
    # PNG, and none larger than asked.
    "$build/packaging/svg_to_png" "$(dirname "$0")/../../packaging/org.nvx10.nvx10config.svg" \
        256 "$prefix/icon.ico" >/dev/null 2>&1
    ico=$(file -b "$prefix/icon.ico")
    # The fifth entry of the directory (6 + 4 x 16 bytes in) is 256 px, written as 0; an entry
    # holds one colour plane of 32 bits a pixel.
    [[ $ico == "MS Windows icon resource - 5 icons, 16x16 with PNG image data, 16 x 16"* &&
       $(od -An -tu1 -j70 -N2 "$prefix/icon.ico" | tr -s ' ') == " 0 0" &&
       $(od -An -tu1 -j10 -N4 "$prefix/icon.ico" | tr -s ' ') == " 1 0 32 0" ]] &&
        pass "Windows icon file of 5 PNG sizes up to 256 px" || fail "Windows icon file: $ico"
    "$build/packaging/svg_to_png" "$(dirname "$0")/../../packaging/org.nvx10.nvx10config.svg" \
        32 "$prefix/small.ico" >/dev/null 2>&1
    [[ $(file -b "$prefix/small.ico") == "MS Windows icon resource - 3 icons, 16x16"* ]] &&
        pass "a 32 px icon file stops at 32 px" || fail "32 px icon file: $(file -b "$prefix/small.ico")"
    rm -f "$prefix/icon.ico" "$prefix/small.ico"
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

# The Windows download's licence notices, gathered from a Qt source tree: Qt's attribution files
# allow line breaks inside strings and hold one part or a list of them; parts of Qt the Windows
# build leaves out (the X11 ones) are not listed.
qt=$prefix/qtbase
mkdir -p "$qt/LICENSES" "$qt/src/3rdparty/zlib" "$qt/src/3rdparty/xcb" "$qt/src/gui/painting"
for licence in LGPL-3.0-only GPL-2.0-only GPL-3.0-only; do echo "$licence" >"$qt/LICENSES/$licence.txt"; done
printf '{ "Name": "Data Compression Library (zlib)", "Version": "1.2.13",\n "Copyright": "(C) 1995-2022\n Jean-loup Gailly", "LicenseFile": "LICENSE" }' \
    >"$qt/src/3rdparty/zlib/qt_attribution.json"
echo "zlib licence text" >"$qt/src/3rdparty/zlib/LICENSE"
echo '{ "Name": "XCB", "LicenseFile": "LICENSE" }' >"$qt/src/3rdparty/xcb/qt_attribution.json"
echo '[ { "Name": "Grayraster" }, { "Name": "Smooth scaling", "Name": "Smooth Scaling Algorithm" } ]' \
    >"$qt/src/gui/painting/qt_attribution.json"
python3 "$(dirname "$0")/../../packaging/windows/notices.py" "$qt" "$qt" "$prefix/notices" >/dev/null
notices=$(cat "$prefix/notices/THIRD-PARTY-NOTICES.txt" 2>/dev/null)
[[ $notices == *"Data Compression Library (zlib)"*"Version: 1.2.13"*"zlib licence text"* &&
   $notices == *"Grayraster"* && $notices == *"Smooth Scaling Algorithm"* &&
   $notices != *"XCB"* && $notices != *"Smooth scaling"$'\n'* ]] &&
    [ "$(cat "$prefix/notices/LGPL-3.0-only.txt")" = LGPL-3.0-only ] &&
    pass "Windows licence notices" || fail "Windows licence notices: $notices"

exit $((failures > 0))
