#!/usr/bin/python3
"""vistrel-cli --json against LLVM's reader (llvm-readobj-14): section
virtual sizes and long names, the DLL characteristics, the sixteen data
directories, delay-load imports, the TLS directory's callback array, the base
relocations by type, the load configuration's guard flags and the CodeView
record.

usage: vistrel_cli_readobj_test.py VISTREL_CLI READOBJ FILE..."""

import json
import re
import subprocess
import sys

# LLVM's names for the relocation types it prints.
RELOCATION_TYPES = {"ABSOLUTE": 0, "HIGH": 1, "LOW": 2, "HIGHLOW": 3, "HIGHADJ": 4, "DIR64": 10}
DLL_CHARACTERISTICS_PREFIX = "IMAGE_DLL_CHARACTERISTICS_"


def block(text, opener):
    """The lines of the first block that starts with `opener` ("Name {" or
    "Name ["), up to its closing line at the same indentation."""
    lines = text.splitlines()
    for i, line in enumerate(lines):
        if line.strip().startswith(opener):
            indent = len(line) - len(line.lstrip())
            out = []
            for inner in lines[i + 1:]:
                if len(inner) - len(inner.lstrip()) == indent and inner.strip() in ("}", "]"):
                    return out
                out.append(inner)
            return out
    return None


def blocks(text, opener):
    """Every block that starts with `opener`, each as its lines."""
    out, lines, i = [], text.splitlines(), 0
    while i < len(lines):
        line = lines[i]
        if line.strip().startswith(opener):
            indent = len(line) - len(line.lstrip())
            body = []
            i += 1
            while i < len(lines) and not (len(lines[i]) - len(lines[i].lstrip()) == indent
                                          and lines[i].strip() in ("}", "]")):
                body.append(lines[i])
                i += 1
            out.append(body)
        i += 1
    return out


def field(lines, name):
    for line in lines:
        key, _, value = line.strip().partition(": ")
        if key == name:
            return value
    return None


def readobj(tool, path, *flags):
    run = subprocess.run([tool] + list(flags) + [path], capture_output=True, text=True,
                         errors="replace", timeout=120)
    return run.stdout if run.returncode == 0 else None


def check(tool, d):
    path = d["file"]
    compared = []
    headers = readobj(tool, path, "--file-headers", "--sections")
    if headers is None:
        return compared
    optional = block(headers, "ImageOptionalHeader {")
    if optional is not None and d["optionalHeader"]:
        m = re.search(r"Characteristics \[ \((0x[0-9A-F]+)\)", "\n".join(optional))
        flags = int(m.group(1), 16)
        assert d["optionalHeader"]["dllCharacteristics"] == flags, (path, flags)
        names = [line.split()[0][len(DLL_CHARACTERISTICS_PREFIX):] for line in optional
                 if line.strip().startswith(DLL_CHARACTERISTICS_PREFIX)]
        # (Reserved bits: LLVM leaves them out, the reader gives their value.)
        ours = [n for n in d["optionalHeader"]["dllCharacteristicsNames"] if not n.startswith("0x")]
        assert sorted(ours) == sorted(names), (path, ours, names)
        directories = block("\n".join(optional), "DataDirectory {")
        if directories is not None:
            values = [int(line.split(": ")[1], 16) for line in directories]
            got = []
            for entry in d["optionalHeader"]["dataDirectories"][:len(values) // 2]:
                got += [entry["virtualAddress"], entry["size"]]
            assert got == values, (path, got, values)
        compared.append("headers")
    # LLVM reads no section of a file whose count it refuses (65535).
    count = field(block(headers, "ImageFileHeader {") or [], "SectionCount")
    if count is None or int(count) != (d["fileHeader"] or {}).get("numberOfSections"):
        return compared
    sections = blocks(headers, "Section {")
    got = [(s["name"], s["virtualSize"]) for s in d["sections"]]
    want = []
    for s in sections:
        # "NAME (HEX BYTES)"; an empty name leaves only the bytes.
        name = re.match(r"^(.*?) ?\([0-9A-F ]*\)$", field(s, "Name")).group(1)
        want.append((name, int(field(s, "VirtualSize"), 16)))
    # LLVM resolves "/N" names through the string table, as the reader does.
    assert got == want, (path, got, want)
    compared.append("sections")

    imports = readobj(tool, path, "--coff-imports")
    if imports is not None:
        want = []
        for entry in blocks(imports, "DelayImport {"):
            functions = []
            for line in entry:
                m = re.match(r"\s*Symbol: (.*) \((\d+)\)$", line)
                if m:
                    functions.append(m.group(1) if m.group(1) else int(m.group(2)))
            want.append((field(entry, "Name"), functions))
        got = [(m["module"], [f["name"] if f["name"] is not None else f["ordinal"]
                              for f in m["functions"]]) for m in d["delayImports"]]
        assert got == want, (path, got, want)
        compared.append("delay imports")

    tls = readobj(tool, path, "--coff-tls-directory")
    directory = block(tls, "TLSDirectory {") if tls else None
    directory = directory or None  # an empty block: the file has none
    if tls is not None:
        # (LLVM does not print the callbacks themselves: pefile's test reads them.)
        assert (directory is None) == (d["tls"] is None), (path, d["tls"])
        if directory is not None and int(field(directory, "AddressOfCallBacks"), 16) == 0:
            assert d["tls"]["callbacks"] == [], (path, d["tls"])
        compared.append("tls")

    relocations = readobj(tool, path, "--coff-basereloc")
    if relocations is not None and d["relocations"] is not None:
        counts = {}
        for line in relocations.splitlines():
            m = re.match(r"\s*Type: (\w+)( \((\d+)\))?$", line)
            if m:
                # "unknown (9)" for a type it has no name for.
                kind = int(m.group(3)) if m.group(3) else RELOCATION_TYPES.get(m.group(1),
                                                                              m.group(1))
                counts[kind] = counts.get(kind, 0) + 1
        got = {t["type"]: t["count"] for t in d["relocations"]["byType"]}
        assert got == counts, (path, got, counts)
        assert d["relocations"]["entries"] == sum(counts.values()), path
        compared.append("relocations")

    config = readobj(tool, path, "--coff-load-config")
    if config is not None:
        m = re.search(r"^\s*GuardFlags: (0x[0-9A-F]+)$", config, re.M)
        if m and d["guardFlags"] is not None:
            assert d["guardFlags"] == int(m.group(1), 16), (path, d["guardFlags"], m.group(1))
            compared.append("guard flags")

    debug = readobj(tool, path, "--coff-debug-directory")
    info = block(debug, "PDBInfo {") if debug else None
    codeview = (d["debug"] or {}).get("codeView")
    if info is not None and codeview is not None:
        assert codeview["age"] == int(field(info, "PDBAge")), (path, codeview)
        assert codeview["pdbPath"] == (field(info, "PDBFileName") or ""), (path, codeview)
        if codeview["signature"] == "RSDS":
            raw = bytes.fromhex(re.sub(r"[() ]", "", field(info, "PDBGUID")))
            guid = "{%08X-%04X-%04X-%s-%s}" % (
                int.from_bytes(raw[0:4], "little"), int.from_bytes(raw[4:6], "little"),
                int.from_bytes(raw[6:8], "little"), raw[8:10].hex().upper(), raw[10:].hex().upper())
            assert codeview["guid"] == guid, (path, codeview["guid"], guid)
        compared.append("codeview")
    return compared


def main():
    cli, tool, files = sys.argv[1], sys.argv[2], sys.argv[3:]
    run = subprocess.run([cli, "--json"] + files, capture_output=True, text=True)
    data = json.loads(run.stdout)
    seen = {}
    for d in data:
        if d["error"] is None and d["imageType"] == "NT":
            for what in check(tool, d):
                seen[what] = seen.get(what, 0) + 1
    # Each kind of fact was compared on some file.
    for what in ("headers", "sections", "delay imports", "tls", "relocations", "guard flags",
                 "codeview"):
        assert seen.get(what, 0) > 0, (what, seen)
    print("vistrel-cli --json against %s: %s" % (tool, seen))


if __name__ == "__main__":
    main()
