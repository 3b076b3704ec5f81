#!/usr/bin/env bash
# `cpack -G DEB` from the build folder: a package named and versioned from the project, with
# exactly the files of installed_files.txt under /usr (the samples unchanged), a Depends field that carries the Qt
# runtime libraries dpkg-shlibdeps found and fonts-liberation (nothing a compiler or the icon
# renderer needs), and a program that starts from the unpacked package. The package is built
# into a scratch folder and never installed here.
#
# Usage: tst_deb_package.sh BUILD_DIR VERSION
set -u
build=$1
version=$2
source "$(dirname "$0")/checks.sh"
for tool in dpkg-deb dpkg-shlibdeps file; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if ! (cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1); then
    cat "$work/cpack.log"; echo "FAIL: cpack -G DEB"; exit 1
fi
arch=$(dpkg --print-architecture)
deb=$work/nvx10config_${version}_${arch}.deb
[ -f "$deb" ] || { ls "$work"; echo "FAIL: no $deb"; exit 1; }
pass "package file $(basename "$deb"), $(stat -c %s "$deb") bytes"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = nvx10config ] && [ "$(field Version)" = "$version" ] &&
    [ "$(field Architecture)" = "$arch" ] && pass "name, version, architecture" ||
    fail "control: $(field Package) $(field Version) $(field Architecture)"
[ "$(field Section)" = electronics ] && [ -n "$(field Maintainer)" ] &&
    pass "section and maintainer" || fail "section \"$(field Section)\", maintainer \"$(field Maintainer)\""
description=$(field Description)
[ "$(wc -l <<<"$description")" -gt 3 ] && grep -q '^ \.$' <<<"$description" &&
    pass "short and long description" || fail "description: $description"

depends=$(field Depends | tr -d ' ' | tr ',' '\n' | sed 's/(.*//' | sort)
for needed in fonts-liberation libc6 libqt6core6 libqt6gui6 libqt6serialport6 libqt6widgets6 \
              libstdc++6; do
    grep -qx -- "$needed" <<<"$depends" && pass "Depends: $needed" || fail "Depends lacks $needed"
done
for unwanted in libqt6svg6 libqt6test6 g++ gcc clang cmake; do
    grep -qx -- "$unwanted" <<<"$depends" && fail "Depends carries $unwanted"
done
grep -q . <<<"$(field Depends)" && pass "Depends: $(field Depends)"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
outside=$(grep -v '^\./usr/' <<<"$contents" | grep -vx '\./')
[ -z "$outside" ] && pass "everything under /usr" || fail "outside /usr: $outside"
same_files "package files" ./usr/ "$(dpkg-deb -c "$deb" | grep -v '^d' | awk '{print $6}')"

dpkg-deb -x "$deb" "$work/root"
# The samples ship byte for byte as the program wrote them (no line-end or compression change).
for sample in "$(dirname "$0")"/../../examples/*.qcf; do
    cmp -s "$sample" "$work/root/usr/share/doc/nvx10config/examples/$(basename "$sample")" &&
        pass "package holds $(basename "$sample") unchanged" ||
        fail "package's $(basename "$sample") differs from the repository's"
done
program=$work/root/usr/bin/nvx10config
file -b "$program" | grep -q "stripped" && ! file -b "$program" | grep -q "not stripped" &&
    pass "programs are stripped" || fail "program: $(file -b "$program")"
answers_version "$program" "$version"
answers_version "$work/root/usr/bin/nvx10-panel-sim" "$version"
# The window itself: still up after a few seconds means it started (a missing library or
# plugin ends it at once).
QT_QPA_PLATFORM=offscreen timeout 3 "$program" --port /dev/nvx-no-such-port >"$work/run.log" 2>&1
status=$?
[ $status -eq 124 ] && pass "unpacked program opens its window" ||
    { fail "unpacked program ended with status $status"; cat "$work/run.log"; }

exit $((failures > 0))
