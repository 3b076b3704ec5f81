#!/usr/bin/env python3
"""Gathers the licence notices of a static Qt build into one folder for the Windows download.

    notices.py QTBASE_SOURCE QTSERIALPORT_SOURCE OUTPUT_FOLDER

Writes OUTPUT_FOLDER/THIRD-PARTY-NOTICES.txt (every third-party part of Qt Base that a Windows
build of Qt Gui, Widgets and Print Support may hold, with its copyright and licence text) and
copies Qt's own licences (LGPL-3.0, GPL-2.0, GPL-3.0).
"""
import json
import pathlib
import shutil
import sys

# Parts of Qt Base that the program's Qt leaves out (configured off, or another system's).
LEFT_OUT = ("network", "dbus", "testlib", "sql", "xml", "opengl", "vulkan", "android", "wasm",
            "xcb", "gradle", "libjpeg", "libpsl", "VulkanMemoryAllocator", "forkfd", "cocoa",
            "ios", "qnx", "haiku")


def attributions(path):
    # Qt's files allow line breaks inside strings; the last of a repeated key holds.
    text = path.read_text(encoding="utf-8")
    data = json.loads(text, strict=False)
    return data if isinstance(data, list) else [data]


def main(base, serialport, out):
    base, serialport, out = pathlib.Path(base), pathlib.Path(serialport), pathlib.Path(out)
    out.mkdir(parents=True, exist_ok=True)
    for licence in ("LGPL-3.0-only.txt", "GPL-2.0-only.txt", "GPL-3.0-only.txt"):
        shutil.copy(base / "LICENSES" / licence, out / licence)
    sections = []
    for path in sorted((base / "src").rglob("qt_attribution.json")):
        if any(part in LEFT_OUT for part in path.relative_to(base / "src").parts):
            continue
        for entry in attributions(path):
            lines = [entry.get("Name", entry.get("Id", "?"))]
            for key in ("Version", "Homepage", "Copyright", "License"):
                if entry.get(key):
                    lines.append(f"{key}: {entry[key]}")
            licence = entry.get("LicenseFile")
            if licence and (path.parent / licence).is_file():
                lines += ["", (path.parent / licence).read_text(encoding="utf-8",
                                                               errors="replace").strip()]
            sections.append("\n".join(lines))
    notices = out / "THIRD-PARTY-NOTICES.txt"
    notices.write_text(
        "nvx10config.exe holds Qt Base and Qt Serial Port 6.4.2, linked statically, under the\n"
        "GNU LGPL version 3 (LGPL-3.0-only.txt; it builds on GPL-3.0-only.txt). Their sources:\n"
        "Debian 12's source package qt6-base (6.4.2+dfsg) and Qt Serial Port's source release\n"
        "6.4.2 (qtserialport-everywhere-src-6.4.2). The program can be relinked with another\n"
        "Qt from its own sources: scripts/package-windows --qt PREFIX.\n\n"
        "Qt Base holds the following third-party parts, under their own licences.\n\n"
        + "\n\n" + ("=" * 78 + "\n\n").join(s + "\n\n" for s in sections),
        encoding="utf-8")
    print(f"{notices}: {len(sections)} parts")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
