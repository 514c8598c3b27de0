#!/usr/bin/python3
"""vistrel-cli on sample files and a missing one: every good file reported
with the seven pages, the imports and exports the pages show agree with
pefile, the missing file named on stderr, the run going on, exit status 1.

A file named NAMES=PATH is a resource-only DLL whose resource names are
Japanese and Greek: the tree shows them as they are, in UTF-8.

usage: vistrel_cli_test.py VISTREL_CLI [NAMES=PATH] FILE..."""
import json
import os
import subprocess
import sys

import pefile

PAGES = ["File Header", "Optional Header", "Section Headers", "Import Section",
         "Export Section", "Resource Section", "Debug Section"]


def check_against_pefile(path, pages):
    pe = pefile.PE(path)
    imports = [(entry.dll.decode().upper(),
                [f.name.decode() if f.name else "Ordinal %d" % f.ordinal for f in entry.imports])
               for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]
    shown = [(m["Module"].upper(), m["Functions"]) for m in pages["Import Section"]]
    # The page lists the modules sorted; each keeps its functions.
    assert sorted(shown) == sorted(imports), (path, shown, imports)

    symbols = pe.DIRECTORY_ENTRY_EXPORT.symbols if hasattr(pe, "DIRECTORY_ENTRY_EXPORT") else []
    exports = pages["Export Section"]
    assert exports["Number of Exported Functions:"] == str(len(symbols)), (path, exports)
    lines = {e["Line"]: e["Entry Point:"] for e in exports["Exports"]}
    for s in symbols:
        name = s.name.decode() if s.name else None
        matching = [line for line in lines if line.endswith("(%d)" % s.ordinal)]
        assert len(matching) == 1, (path, s.ordinal, lines)
        if name:
            assert matching[0].startswith(name), (path, matching[0], name)
        # (Where the entry point lies is the browser's own rule, tested with
        # the form; here only its form.)
        assert lines[matching[0]].startswith("0x") and len(lines[matching[0]]) == 10, lines


def check_resource_names(cli, path):
    run = subprocess.run([cli, "--json", path], capture_output=True, check=True)
    report = json.loads(run.stdout.decode("utf-8"))
    tree = report[path]["Resource Section"]["Resources:"]
    assert tree == ["RCDATA", "  \u65e5\u672c\u30c7\u30fc\u30bf", " (240)", "  \u03a9MEGA"], tree
    # The text form carries the same bytes.
    text = subprocess.run([cli, path], capture_output=True, check=True).stdout.decode("utf-8")
    assert "\u65e5\u672c\u30c7\u30fc\u30bf" in text and "\u03a9MEGA" in text, text


def main():
    cli, files = sys.argv[1], sys.argv[2:]
    for name in [f for f in files if f.startswith("NAMES=")]:
        files.remove(name)
        check_resource_names(cli, name[len("NAMES="):])
    missing = os.path.join(os.path.dirname(files[0]), "no-such-file.dll")
    args = [cli, "--json", files[0], missing] + files[1:]
    run = subprocess.run(args, capture_output=True, text=True, check=False)
    assert run.returncode == 1, run.returncode
    assert run.stderr == "vistrel-cli: %s: No such file or directory\n" % missing, run.stderr
    report = json.loads(run.stdout)
    assert list(report) == files, list(report)
    for path in files:
        assert list(report[path]) == PAGES, (path, list(report[path]))
        check_against_pefile(path, report[path])

    # The text form: one block a file, headed by its name.
    text = subprocess.run([cli] + files, capture_output=True, text=True, check=True).stdout
    assert [line[5:] for line in text.splitlines() if line.startswith("#### ")] == files
    assert subprocess.run([cli], capture_output=True, check=False).returncode == 2
    print("vistrel-cli: %d files checked" % len(files))


if __name__ == "__main__":
    main()
