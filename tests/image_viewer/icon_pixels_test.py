#!/usr/bin/python3
"""The image viewer's pictures against icoutils: for the first icon groups
of Wine's files (in name order, a few a file), icotool's PNG of the group's first image is what the
viewer draws for the group (as an icon) and for that image alone (its colour
rows). Images larger than the viewer's picture are left out.

usage: icon_pixels_test.py EMULATOR ICON_PIXELS_EXE WINE_PE_DIR"""
import os
import re
import struct
import subprocess
import sys
import tempfile

GROUPS_PER_FILE = 12
ENOUGH = 20  # pictures
LARGEST = 128  # the normal picture is 153 pixels square


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def groups(path):
    listing = subprocess.run(["wrestool", "-l", "-t14", path], capture_output=True, text=True)
    names = []
    for line in listing.stdout.splitlines():
        m = re.search(r"--name=(\S+)", line)
        if m and m.group(1) not in names:
            names.append(m.group(1).strip("'"))
    return names


def main():
    emulator, exe, pe_dir = sys.argv[1:4]
    work = tempfile.mkdtemp(prefix="icon-pixels-")
    lines = []
    for name in sorted(os.listdir(pe_dir)):
        path = os.path.join(pe_dir, name)
        if len(lines) >= ENOUGH or not name.endswith((".dll", ".exe", ".cpl")):
            continue
        for group in groups(path)[:GROUPS_PER_FILE]:
            base = os.path.join(work, "%s-%s" % (name, group))
            raw = subprocess.run(["wrestool", "-x", "--raw", "-t14", "-n", group, path],
                                 capture_output=True).stdout
            if len(raw) < 20:
                continue
            first_id = struct.unpack_from("<H", raw, 18)[0]
            subprocess.run(["wrestool", "-x", "-t14", "-n", group, "-o", base + ".ico", path],
                           check=True, capture_output=True)
            # icotool may complain of another image of the file and still
            # write the first one.
            subprocess.run(["icotool", "-x", "-i", "1", "-o", base + ".png", base + ".ico"],
                           capture_output=True)
            if not os.path.exists(base + ".png"):
                continue
            width, height = struct.unpack(">II", open(base + ".png", "rb").read()[16:24])
            if width > LARGEST or height > LARGEST:
                continue
            lines.append("group\t%s\t%s\t%s" % (windows_path(path), group,
                                                windows_path(base + ".png")))
            # The image alone; a PNG-compressed one has no colour rows to draw.
            image = subprocess.run(["wrestool", "-x", "--raw", "-t3", "-n", str(first_id), path],
                                   capture_output=True).stdout
            if image[:4] == struct.pack("<I", 40):
                lines.append("icon\t%s\t%d\t%s" % (windows_path(path), first_id,
                                                   windows_path(base + ".png")))
    manifest = os.path.join(work, "manifest.txt")
    with open(manifest, "w") as out:
        out.write("\n".join(lines) + "\n")
    print("%d pictures to compare" % len(lines))
    run = subprocess.run([emulator, exe, windows_path(manifest)], capture_output=True, text=True)
    sys.stdout.write(run.stdout)
    sys.stderr.write("".join(l + "\n" for l in run.stderr.splitlines() if "fixme:" not in l))
    assert len(lines) >= ENOUGH, len(lines)
    sys.exit(run.returncode)


if __name__ == "__main__":
    main()
