#!/usr/bin/env python3
"""vistrel-cli --extract against wrestool -x over a folder of PE files.

Every icon group, cursor group and bitmap must come out as wrestool writes
it, every other resource (the first of each type in each file) as
`wrestool -x --raw` writes it, and every single icon and cursor (the first in
each file, wrestool rebuilds none) as a one-image file around its data.

Where we differ from wrestool, on purpose:
  - After the last image of a group wrestool writes as many more bytes as the
    group's directory has: zeros, or whatever its memory held (not the same
    from file to file). No icon file has them; we write none, and the test
    checks that wrestool's file is ours followed by exactly that many bytes.
  - A cursor's image is written without its 4-byte hot spot, yet wrestool's
    entry keeps the size with it, so each entry claims 4 bytes of the next
    image (the last one, 4 bytes past its file but for the tail above). Our
    entry has the size of what is written.
  - wrestool halves the group's height for a cursor's entry. Microsoft's
    resource compiler writes that height doubled (colour and mask rows), the
    compiler of these files does not, so wrestool's 64x64 cursors come out
    64x32. Our entry takes the height from the image's own header, which is
    right for both.
Exit 77 (skipped) when wrestool is not installed.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

SKIP = 77
GROUP_CURSOR, GROUP_ICON, CURSOR, BITMAP, ICON = "12", "14", "1", "2", "3"


def wrestool(path, record, raw=False, type_=None, name=None):
    args = ["wrestool", "-x"] + (["--raw"] if raw else [])
    args += ["--type=" + (type_ or record["Type"]), "--name=" + (name or record["Name"]),
             "--language=" + record["Language"], path]
    return subprocess.run(args, capture_output=True).stdout


def listing(path):
    """The file's records in table order, as wrestool lists them (the order
    resource:N counts in; nubrik_wrestool_test holds the two lists equal)."""
    run = subprocess.run(["wrestool", "-l", path], capture_output=True, text=True)
    records = []
    for line in run.stdout.splitlines():
        fields = dict(f[2:].split("=", 1) for f in line.split(" [")[0].split())
        type_ = fields["type"]
        records.append({"Type": None if type_.startswith("'") else type_,
                        "Name": fields["name"].strip("'"), "Language": fields["language"]})
    return records


def extract(cli, path, index, out):
    if os.path.exists(out):
        os.remove(out)
    run = subprocess.run([cli, "--extract", "resource:%d" % index, "-o", out, path],
                         capture_output=True)
    if run.returncode != 0:
        return None, run.stderr.decode("utf-8", "replace").strip()
    with open(out, "rb") as f:
        return f.read(), ""


def image_height(image):
    """The height an icon file's entry gives the image: from its own header."""
    if image[:8] == b"\x89PNG\r\n\x1a\n":
        return struct.unpack_from(">I", image, 20)[0]
    size = struct.unpack_from("<I", image, 0)[0]
    if size == 12:
        return struct.unpack_from("<H", image, 6)[0] // 2
    return abs(struct.unpack_from("<i", image, 8)[0]) // 2


def expected_group(path, record, rebuilt):
    """What we write for a group, from what wrestool writes (see above)."""
    group = wrestool(path, record, raw=True)
    if len(rebuilt) < len(group):
        return None, "wrestool wrote %d bytes" % len(rebuilt)
    expected = bytearray(rebuilt[:len(rebuilt) - len(group)])
    if record["Type"] == GROUP_CURSOR:
        count = struct.unpack_from("<H", group, 4)[0]
        for i in range(count):
            image_id = struct.unpack_from("<H", group, 6 + 14 * i + 12)[0]
            cursor = wrestool(path, record, raw=True, type_=CURSOR, name=str(image_id))
            entry = 6 + 16 * i
            expected[entry + 1] = min(image_height(cursor[4:]), 256) & 0xFF
            size = struct.unpack_from("<I", expected, entry + 8)[0]
            struct.pack_into("<I", expected, entry + 8, size - 4)
    return bytes(expected), ""


def check_single(record, ours, raw):
    """A one-image file around the data (a cursor's without its hot spot)."""
    cursor = record["Type"] == CURSOR
    data = raw[4:] if cursor else raw
    header = struct.pack("<HHH", 0, 2 if cursor else 1, 1)
    if ours[:6] != header or ours[22:] != data:
        return "not a one-image file around the data"
    size, offset = struct.unpack_from("<II", ours, 14)
    if (size, offset) != (len(data), 22):
        return "entry size/offset %d/%d" % (size, offset)
    if cursor and ours[10:14] != raw[:4]:
        return "hot spot %s, data says %s" % (ours[10:14].hex(), raw[:4].hex())
    if ours[7] != min(image_height(data), 256) & 0xFF:
        return "height %d" % ours[7]
    return ""


def main():
    if len(sys.argv) != 3:
        print("usage: vistrel_cli_extract_test.py VISTREL_CLI FOLDER", file=sys.stderr)
        return 2
    cli, folder = sys.argv[1], sys.argv[2]
    if not shutil.which("wrestool") or not os.path.isdir(folder):
        print("skipped: no wrestool or no %s" % folder)
        return SKIP
    failures, counts = [], {}
    work = tempfile.mkdtemp(prefix="vistrel-extract-")
    out = os.path.join(work, "out")
    try:
        for entry in sorted(os.listdir(folder)):
            path = os.path.join(folder, entry)
            records = listing(path)
            seen = set()
            for index, record in enumerate(records):
                type_ = record["Type"]
                if type_ is None:
                    continue  # a type named by a string
                if type_ in (GROUP_ICON, GROUP_CURSOR, BITMAP):
                    kind = type_
                elif (type_, "first") in seen:
                    continue
                else:
                    seen.add((type_, "first"))
                    kind = "single" if type_ in (ICON, CURSOR) else "raw"
                where = "%s resource:%d (type %s name %s language %s)" % (
                    entry, index, type_, record["Name"], record["Language"])
                ours, error = extract(cli, path, index, out)
                if ours is None:
                    failures.append("%s: %s" % (where, error))
                    continue
                if kind in (GROUP_ICON, GROUP_CURSOR):
                    expected, error = expected_group(path, record, wrestool(path, record))
                elif kind == BITMAP:
                    expected = wrestool(path, record)
                elif kind == "raw":
                    expected = wrestool(path, record, raw=True)
                else:
                    expected, error = ours, check_single(record, ours, wrestool(path, record, True))
                if error or ours != expected:
                    at = next((i for i, (a, b) in enumerate(zip(ours, expected or b"")) if a != b),
                              min(len(ours), len(expected or b"")))
                    failures.append("%s: %s%d bytes against %d, first difference at %d" % (
                        where, error + "; " if error else "", len(ours), len(expected or b""), at))
                counts[kind] = counts.get(kind, 0) + 1

        # A resource the file lacks: an error, and no file.
        path = os.path.join(folder, "comctl32.dll")
        if os.path.exists(path):
            if os.path.exists(out):
                os.remove(out)
            run = subprocess.run([cli, "--extract", "resource:14/NONE", "-o", out, path],
                                 capture_output=True)
            if run.returncode != 1 or b"no resource 14/NONE" not in run.stderr or \
                    os.path.exists(out):
                failures.append("a missing resource: exit %d, %r" % (run.returncode, run.stderr))
            # Not a resource; no OUT named.
            for args, status in ((["file-header", "-o", out], 1), (["resource:0"], 2)):
                run = subprocess.run([cli, "--extract"] + args + [path], capture_output=True)
                if run.returncode != status or os.path.exists(out):
                    failures.append("--extract %s: exit %d" % (" ".join(args), run.returncode))
    finally:
        shutil.rmtree(work)

    names = {GROUP_ICON: "icon groups", GROUP_CURSOR: "cursor groups", BITMAP: "bitmaps",
             "single": "single icons and cursors", "raw": "other resources"}
    print(", ".join("%d %s" % (counts.get(k, 0), v) for k, v in names.items()))
    for f in failures[:40]:
        print("FAIL", f)
    if len(failures) > 40:
        print("... and %d more" % (len(failures) - 40))
    # A corpus without a single group would prove nothing.
    if not counts.get(GROUP_ICON) or not counts.get(GROUP_CURSOR):
        print("FAIL no icon or cursor group in %s" % folder)
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
