#!/usr/bin/env python3
"""Writes the licence notices of the libraries in the shipped programs, from their sources.

  gen-notices.py notices OUT    THIRD-PARTY-NOTICES: every library linked into verdalin.exe or
                                the Linux program, with its copyright and licence text
  gen-notices.py copyright OUT  the Debian package's machine-readable copyright file

The texts come from the installed Debian packages' copyright files (the packages the build
links or cross-builds from), from /usr/share/common-licenses and from node_modules (uPlot):
nothing here is typed from memory.
"""

import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DOC = "/usr/share/doc"
UPLOT_LICENSE = os.path.join(ROOT, "node_modules", "uplot", "LICENSE")
EXE = "verdalin.exe (Windows, linked statically)"
LINUX = "the Linux program (linked dynamically)"
BOTH = "both programs"


def read(path):
    with open(path, encoding="utf-8") as source:
        return source.read()


def paragraphs(path):
    """The paragraphs of a machine-readable (DEP-5) copyright file, as {field: value} dicts."""
    result = []
    for block in re.split(r"\n\s*\n", read(path)):
        fields, name = {}, None
        for line in block.splitlines():
            if line[:1] in (" ", "\t") and name:
                fields[name] += "\n" + line
            elif ":" in line:
                name, value = line.split(":", 1)
                fields[name] = value.strip()
        if fields:
            result.append(fields)
    return result


def unfold(value):
    """A folded field's text: the leading blank off each line, "." lines made blank."""
    lines = [line[1:] if line[:1] in (" ", "\t") else line for line in value.split("\n")]
    return "\n".join("" if line.strip() == "." else line.rstrip() for line in lines).strip("\n")


def dep5_paragraph(package, first):
    """The Files paragraph of `package` whose list starts with `first`, as (files, copyright,
    licence name, licence text: inline, or the stand-alone License paragraph's, or "")."""
    path = os.path.join(DOC, package, "copyright")
    found = paragraphs(path)
    matches = [p for p in found if unfold(p.get("Files", "")).split()[:1] == [first]]
    if not matches:
        sys.exit("gen-notices: no 'Files: %s' in %s" % (first, path))
    texts = {p["License"].split("\n")[0]: unfold(p["License"]) for p in found
             if "License" in p and "Files" not in p}
    name, _, inline = unfold(matches[0]["License"]).partition("\n")
    body = inline or texts.get(name, "").partition("\n")[2]
    return (" ".join(unfold(matches[0]["Files"]).split()), unfold(matches[0]["Copyright"]), name,
            body)


def dep5(package, *first_files):
    """The Files paragraphs of `package` whose lists start with `first_files`, each with its
    copyright and licence text."""
    parts = []
    for first in first_files:
        files, holders, name, body = dep5_paragraph(package, first)
        if not body:
            sys.exit("gen-notices: no text for licence %s of %s" % (name, package))
        parts.append("Files: %s\nCopyright: %s\nLicense: %s\n\n%s" % (files, holders, name, body))
    return "\n\n".join(parts)


def excerpt(path, first, last):
    """The lines of a plain-text file from the one that starts with `first` to the one that
    starts with `last`, both included."""
    lines = read(path).splitlines()
    start = next(i for i, line in enumerate(lines) if line.strip().startswith(first))
    end = next(i for i in range(start, len(lines)) if lines[i].strip().startswith(last))
    return "\n".join(line.rstrip() for line in lines[start:end + 1])


def gcc_runtime():
    text = excerpt(os.path.join(DOC, "gcc-mingw-w64-base", "copyright"),
                   "GCC RUNTIME LIBRARY EXCEPTION", "presumption that third-party")
    return ("libstdc++, libgcc and libssp are covered by the GNU General Public License,\n"
            "version 3, with the GCC Runtime Library Exception, version 3.1, which permits\n"
            "shipping them linked into a program under the program's own terms.\n\n" + text)


def qt():
    _, holders, _, _ = dep5_paragraph("libqt6core6", "*")
    return ("Copyright: " + holders + "\n\n"
            "Qt is used under the GNU Lesser General Public License, version 3: the program\n"
            "links the system's Qt libraries dynamically, so they can be replaced by any\n"
            "compatible build. Their source is Debian's qt6-base source package.\n\n" +
            read("/usr/share/common-licenses/LGPL-3").strip())


def microhttpd():
    return (dep5("libmicrohttpd-dev", "*") + "\n\n"
            "verdalin.exe holds libmicrohttpd built from Debian's source package (pinned in\n"
            "tools/build-mingw-deps.sh) and linked statically; the program's complete source\n"
            "builds it again against a changed libmicrohttpd, as section 6 of the licence asks.\n"
            "The Linux program links the system's libmicrohttpd dynamically.\n\n" +
            read("/usr/share/common-licenses/LGPL-2.1").strip())


def mosquitto():
    """libmosquitto is offered under EPL-2.0 or EDL-1.0; the programs take the EDL."""
    path = os.path.join(DOC, "libmosquitto-dev", "copyright")
    edl = next(unfold(p["License"]) for p in paragraphs(path)
               if "Files" not in p and p.get("License", "").startswith("EDL-1.0"))
    _, holders, _, _ = dep5_paragraph("libmosquitto-dev", "*")
    return ("Files: *\nCopyright: " + holders + "\nLicense: EPL-2.0 or EDL-1.0, used under " +
            edl + "\n\n" + dep5("libmosquitto-dev", "deps/uthash.h"))


SECTIONS = [
    ("uPlot", "the history report's charts, embedded in " + BOTH, lambda: read(UPLOT_LICENSE)),
    ("GNU libmicrohttpd", "the metrics endpoint's HTTP server, in " + BOTH, microhttpd),
    ("libmosquitto", "the MQTT client, in " + BOTH, mosquitto),
    ("libpng", "the banner picture's decoder, in " + BOTH, lambda: dep5("libpng-dev", "*")),
    ("zlib", "under libpng, in " + BOTH, lambda: dep5("zlib1g", "*")),
    ("expat", "the TR-064 answers' XML reader, in " + BOTH, lambda: dep5("libexpat1-dev", "*")),
    ("libssh2", "the command-line kinds' SSH client, in " + BOTH,
     lambda: dep5("libssh2-1-dev", "*")),
    ("nlohmann-json", "the ubus answers' JSON reader, compiled into " + BOTH,
     lambda: dep5("nlohmann-json3-dev", "*", "include/nlohmann/detail/conversions/to_chars.hpp",
                  "include/nlohmann/detail/output/serializer.hpp")),
    ("MinGW-w64 runtime", EXE,
     lambda: dep5("mingw-w64-common", "*", "mingw-w64-crt/gdtoa/*")),
    ("winpthreads", EXE,
     lambda: dep5("mingw-w64-common", "mingw-w64-libraries/winpthreads/*",
                  "mingw-w64-libraries/winpthreads/include/pthread.h")),
    ("GCC runtime libraries", EXE, gcc_runtime),
    ("Qt 6 (Core, Gui, Widgets, DBus)", LINUX, qt),
    ("libcurl", LINUX, lambda: dep5("libcurl4", "*")),
    ("libxcb (with XFixes)", LINUX,
     lambda: excerpt(os.path.join(DOC, "libxcb1", "copyright"), "Copyright (C) 2001-2006",
                     "authors.")),
]


def notices():
    parts = ["Verdalin: third-party notices\n\n"
             "Verdalin itself is under the MIT licence (LICENSE). The programs contain or link\n"
             "the libraries below; each is listed with where it is used, its copyright and its\n"
             "licence."]
    for name, where, text in SECTIONS:
        rule = "=" * 72
        parts.append("%s\n%s\nUsed in: %s\n%s\n\n%s" % (rule, name, where, rule, text().strip()))
    return "\n\n\n".join(parts) + "\n"


def folded(text):
    return "\n".join(" " + (line if line.strip() else ".") for line in text.strip().split("\n"))


def debian_copyright():
    project = read(os.path.join(ROOT, "LICENSE"))
    holder = re.search(r"^Copyright \(c\) (.+)$", project, re.M).group(1)
    uplot = read(UPLOT_LICENSE)
    uplot_holder = re.search(r"^Copyright \(c\) (.+)$", uplot, re.M).group(1)
    body = project.split(holder, 1)[1]
    return ("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
            "Upstream-Name: Verdalin\n"
            "Source: http://verdal.in/\n"
            "Comment: The notices of the libraries the program links are in\n"
            " /usr/share/doc/verdalin/THIRD-PARTY-NOTICES.gz.\n\n"
            "Files: *\nCopyright: %s\nLicense: Expat\n\n"
            "Files: node_modules/uplot/*\nCopyright: %s\nLicense: Expat\n"
            "Comment: uPlot draws the history report's charts; it is embedded in the program.\n\n"
            "License: Expat\n%s\n" % (holder, uplot_holder, folded(body)))


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("notices", "copyright"):
        sys.exit(__doc__)
    text = notices() if sys.argv[1] == "notices" else debian_copyright()
    with open(sys.argv[2] + ".tmp", "w", encoding="utf-8") as out:
        out.write(text)
    os.replace(sys.argv[2] + ".tmp", sys.argv[2])


if __name__ == "__main__":
    main()
