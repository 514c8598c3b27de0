#!/usr/bin/env python3
"""check_print.py DOCUMENT.ps EXPECTED.txt [PAGE1.png]

Reads the text of a document that dlvnt printed with ghostscript (txtwrite)
and checks it against the print lines of the window's grids (EXPECTED.txt:
"#grid N" lines, each followed by its grid's print lines): every page starts
with the heading and its number, numbers run on from 1, each grid starts on a
page of its own and every row of every grid is there in order. Spaces are
compared as runs, since the text comes back from glyph positions. With a
third argument, page 1 is also drawn as a picture.

The pages are landscape: ghostscript first turns them upright (pdfwrite with
AutoRotatePages), or its text would come back a character a line.
"""
import os
import re
import subprocess
import sys
import tempfile

HEADING = re.compile(r"^Type Module Size Date Time Path Page (\d+)$")


def squeeze(line):
    # The font's hyphen comes back as a soft hyphen.
    return " ".join(line.replace("\u00ad", "-").split())


def gs(*args):
    return subprocess.run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER"] + list(args),
                          check=True, capture_output=True).stdout


def main():
    document, expected_file = sys.argv[1], sys.argv[2]
    upright = tempfile.NamedTemporaryFile(suffix=".pdf", delete=False).name
    try:
        gs("-sDEVICE=pdfwrite", "-dAutoRotatePages=/PageByPage", "-sOutputFile=" + upright,
           document)
        text = gs("-sDEVICE=txtwrite", "-sOutputFile=-", upright).decode("utf-8", "replace")
        if len(sys.argv) > 3:
            gs("-sDEVICE=png16m", "-r80", "-dFirstPage=1", "-dLastPage=1",
               "-sOutputFile=" + sys.argv[3], upright)
    finally:
        os.unlink(upright)
    pages = []  # (number, [rows])
    for raw in text.splitlines():
        line = squeeze(raw)
        if not line:
            continue
        heading = HEADING.match(line)
        if heading:
            pages.append((int(heading.group(1)), []))
        elif not pages:
            fail("text before the first heading: %r" % line)
        else:
            pages[-1][1].append(line)

    grids = []
    for raw in open(expected_file, encoding="utf-8").read().splitlines():
        if raw.startswith("#grid "):
            grids.append([])
        else:
            grids[-1].append(squeeze(raw))

    failures = []
    if not pages:
        fail("no page with a heading in the document")
    numbers = [n for n, _ in pages]
    if numbers != list(range(1, len(pages) + 1)):
        failures.append("page numbers are %s" % numbers)
    # Walk the grids over the pages: a grid takes whole pages.
    at = 0
    for g, rows in enumerate(grids, 1):
        # A row of blanks leaves no text; a grid of them still has its page.
        rows = [row for row in rows if row]
        got = []
        first = at
        while at < len(pages) and (len(got) < len(rows) or at == first):
            got.extend(pages[at][1])
            at += 1
        if got != rows:
            for i, (want, have) in enumerate(zip(rows, got)):
                if want != have:
                    failures.append("grid %d row %d: printed %r, the grid holds %r" %
                                    (g, i, have, want))
                    break
            else:
                failures.append("grid %d: %d rows printed on pages %d-%d, the grid holds %d" %
                                (g, len(got), first + 1, at, len(rows)))
        else:
            print("grid %d: %d rows on pages %d-%d" % (g, len(rows), first + 1, at))
    if at != len(pages):
        failures.append("%d pages more than the grids need" % (len(pages) - at))
    for f in failures:
        print("FAIL: " + f)
    if failures:
        sys.exit(1)
    print("%d pages, %d grids: every row printed" % (len(pages), len(grids)))


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


if __name__ == "__main__":
    main()
