#!/usr/bin/python3
"""vistrel-cli on sample files and a missing one: every good file reported
with the seven pages, the imports and exports the pages show agree with
pefile, the missing file named on stderr, the run going on, exit status 1.

A file named NAMES=PATH is a resource-only DLL whose resource names are
Japanese and Greek: the tree shows them as they are, in UTF-8.

usage: vistrel_cli_test.py VISTREL_CLI [NAMES=PATH] FILE...
       vistrel_cli_test.py VISTREL_CLI --data FILE...   (--json against pefile only)
       vistrel_cli_test.py VISTREL_CLI --facts FILE...  (the analysts' facts against pefile)
       vistrel_cli_test.py VISTREL_CLI --signature EXE  (EXE signed here with osslsigncode)"""
import datetime
import json
import os
import struct
import subprocess
import sys
import tempfile

import jsonschema
import pefile

SCHEMA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "docs", "schema",
                      "vistrel-cli.schema.json")

PAGES = ["File Header", "Optional Header", "Section Headers", "Import Section",
         "Export Section", "Resource Section", "Debug Section"]


MACHINES = {0x014C: "Intel 386", 0x8664: "AMD64 (K8)", 0xAA64: "ARM64 Little-Endian"}


def check_against_pefile(path, pages):
    pe = pefile.PE(path)
    assert pages["File Header"]["Machine:"] == MACHINES[pe.FILE_HEADER.Machine], path
    imports = [(entry.dll.decode().upper(),
                ["Ordinal %d" % f.ordinal if f.import_by_ordinal else f.name.decode()
                 for f in entry.imports])
               for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]
    shown = [(m["Module"].upper(), m["Functions"]) for m in pages["Import Section"]]
    # The page lists the modules sorted; each keeps its functions.
    assert sorted(shown) == sorted(imports), (path, shown, imports)

    # The stamp's date, the DLL characteristics and the CodeView record.
    stamp = datetime.datetime.fromtimestamp(pe.FILE_HEADER.TimeDateStamp, datetime.timezone.utc)
    assert pages["File Header"]["Time/Date Stamp"] == [
        "0x%08X" % pe.FILE_HEADER.TimeDateStamp, stamp.strftime("%Y-%m-%d %H:%M:%S UTC")], path
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    raw, names = pages["Optional Header"]["DLL Characteristics:"]
    assert raw == "0x%04X" % flags, (path, raw)
    assert ("ASLR" in names) == bool(flags & 0x40) and ("DEP" in names) == bool(flags & 0x100), names
    debug = pages["Debug Section"]
    codeview = next((e.entry for e in getattr(pe, "DIRECTORY_ENTRY_DEBUG", [])
                     if e.struct.Type == 2 and e.entry is not None), None)
    if codeview is None:
        assert debug["CodeView:"] == debug["PDB File:"] == "", debug
    else:
        assert debug["CodeView:"] == codeview.CvSignature.decode(), debug
        assert debug["PDB File:"] == codeview.PdbFileName.rstrip(b"\0").decode(), debug
        assert debug["Age:"] == str(codeview.Age), debug
        if debug["CodeView:"] == "RSDS":
            assert debug["GUID:"] == "{%08X-%04X-%04X-%02X%02X-%s}" % (
                codeview.Signature_Data1, codeview.Signature_Data2, codeview.Signature_Data3,
                codeview.Signature_Data4, codeview.Signature_Data5,
                bytes(codeview.Signature_Data6).hex().upper()), debug

    symbols = pe.DIRECTORY_ENTRY_EXPORT.symbols if hasattr(pe, "DIRECTORY_ENTRY_EXPORT") else []
    exports = pages["Export Section"]
    assert exports["Number of Exported Functions:"] == str(len(symbols)), (path, exports)
    lines = {e["Line"]: e for e in exports["Exports"]}
    for s in symbols:
        name = s.name.decode() if s.name else None
        matching = [line for line in lines if line.endswith("(%d)" % s.ordinal)]
        assert len(matching) == 1, (path, s.ordinal, lines)
        if name:
            assert matching[0].startswith(name), (path, matching[0], name)
        record = lines[matching[0]]
        if s.forwarder:
            # A forwarder shows its text, not an entry point.
            assert record == {"Line": matching[0], "Forwarder:": s.forwarder.decode()}, record
            continue
        # (Where the entry point lies is the browser's own rule, tested with
        # the form; here only its form.)
        entry = record["Entry Point:"]
        assert entry.startswith("0x") and len(entry) == 10, record


def check_resource_names(cli, path):
    run = subprocess.run([cli, "--json-text", path], capture_output=True, check=True)
    report = json.loads(run.stdout.decode("utf-8"))
    tree = report[path]["Resource Section"]["Resources:"]
    assert tree == ["RCDATA", "  \u65e5\u672c\u30c7\u30fc\u30bf", " (240)", "  \u03a9MEGA"], tree
    # The text form carries the same bytes.
    text = subprocess.run([cli, path], capture_output=True, check=True).stdout.decode("utf-8")
    assert "\u65e5\u672c\u30c7\u30fc\u30bf" in text and "\u03a9MEGA" in text, text


def hex_lines(data, base, unit):
    """The dump as the hex view shows it, written from the rows' layout."""
    wide = base + 16 * ((len(data) - 1) // 16) > 0xFFFFFFFF
    lines = []
    for row in range(0, len(data), 16):
        chunk = data[row:row + 16]
        label = ("0x%016X  " if wide else "0x%08X  ") % (base + row)
        units = [chunk[i:i + unit] for i in range(0, len(chunk), unit)]
        hexpart = ""
        for n, u in enumerate(units):
            hexpart += "".join("%02X" % b for b in reversed(u)).rjust(2 * unit) + " "
            if unit < 4 and (n + 1) * unit == 8:
                hexpart += " "
        full = 16 // unit
        if row > 0 and len(units) < full:
            hexpart += " " * ((full - len(units)) * (2 * unit + 1))
            if unit < 4 and len(units) * unit < 8:
                hexpart += " "
        chars = "".join(chr(b) if 0x20 <= b <= 0x7E else "." for b in chunk)
        lines.append(label + hexpart + " " + chars)
    return lines


def check_item_views(cli, path):
    pe = pefile.PE(path)
    base = pe.OPTIONAL_HEADER.ImageBase
    section = pe.sections[0]
    name = section.Name.rstrip(b"\0").decode()
    raw = pe.__data__[section.PointerToRawData:section.PointerToRawData + section.SizeOfRawData]
    for align, unit in (("byte", 1), ("word", 2), ("dword", 4)):
        run = subprocess.run([cli, "--hex", "section:" + name, "--align", align, path],
                             capture_output=True, text=True, check=True)
        want = hex_lines(raw, base + section.VirtualAddress, unit)
        got = run.stdout.splitlines()
        assert got == want, (path, align, next((g, w) for g, w in zip(got, want) if g != w))

    # The file header's fields as pefile reads them.
    run = subprocess.run([cli, "--structure", "file-header", path],
                         capture_output=True, text=True, check=True)
    fields = dict(line.split(":\t") for line in run.stdout.splitlines()[1:])
    fh = pe.FILE_HEADER
    assert fields["Machine"] == "0x%04X" % fh.Machine, fields
    assert fields["NumberOfSections"] == "0x%04X" % fh.NumberOfSections, fields
    assert fields["TimeDateStamp"] == "0x%08X" % fh.TimeDateStamp, fields
    assert fields["Characteristics"] == "0x%04X" % fh.Characteristics, fields
    run = subprocess.run([cli, "--structure", "optional-header", path],
                         capture_output=True, text=True, check=True)
    fields = dict(line.split(":\t") for line in run.stdout.splitlines() if ":\t" in line)
    width = 16 if pe.OPTIONAL_HEADER.Magic == 0x20B else 8
    assert fields["ImageBase"] == "0x%0*X" % (width, base), fields
    assert fields["SizeOfImage"] == "0x%08X" % pe.OPTIONAL_HEADER.SizeOfImage, fields

    # Every resource by its place in the table: the dump is its data.
    rva_delta = None
    for s in pe.sections:
        if s.Name.rstrip(b"\0") == b".rsrc":
            rva_delta = s.VirtualAddress - s.PointerToRawData
    report = json.loads(subprocess.run([cli, "--json-text", path], capture_output=True,
                                       check=True).stdout)
    records = report[path]["Resource Section"]["Resource Tree"]
    for rec in records[:8]:
        rva, size = int(rec["RVA"], 16), int(rec["Size"])
        assert int(rec["File Offset"], 16) == rva - rva_delta, rec
        item = "resource:%s/%s" % (rec["Type"], rec["Name"])
        run = subprocess.run([cli, "--hex", item, path], capture_output=True, text=True,
                             check=True)
        data = pe.get_data(rva, size)
        first = run.stdout.splitlines()[0]
        assert first.startswith(("0x%016X" if width == 16 else "0x%08X") % (base + rva)), first
        assert len(run.stdout.splitlines()) == (size + 15) // 16, (item, size)
        assert first[-min(16, size):] == "".join(
            chr(b) if 0x20 <= b <= 0x7E else "." for b in data[:16]), first

    # Items the file has not: status 1 and the reason; bad usage: 2.
    for item in ("section:.nothing", "export:#9999", "resource:9999", "bogus"):
        run = subprocess.run([cli, "--hex", item, path], capture_output=True, text=True)
        assert run.returncode == 1 and run.stderr.startswith("vistrel-cli: "), (item, run)
    for args in (["--hex"], ["--hex", "file-header", "--align", "qword", path],
                 ["--structure", "file-header", path, path]):
        assert subprocess.run([cli] + args, capture_output=True).returncode == 2, args


def check_image_views(cli, path):
    """--image against pefile: the strings of each string block, the hot spot
    of each cursor, one line per accelerator entry, the version texts."""
    pe = pefile.PE(path)
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return
    checked = 0
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if type_entry.id is None:
            continue
        for name_entry in type_entry.directory.entries:
            if name_entry.id is None:
                continue
            item = "resource:%d/%d" % (type_entry.id, name_entry.id)
            lang = name_entry.directory.entries[0]
            data = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
            if type_entry.id == 6:
                want = ["%d - %s" % (i, t) for i, t in sorted(name_entry.directory.strings.items())
                        if t]
            elif type_entry.id == 1:
                want = ["Cursor Hotspot: %d, %d" % (data[0] | data[1] << 8, data[2] | data[3] << 8)]
            elif type_entry.id == 9:
                want = None
                count = len(data) // 8
            else:
                continue
            run = subprocess.run([cli, "--image", item, path], capture_output=True, check=True)
            got = run.stdout.decode("utf-8").splitlines()
            if want is None:
                assert len(got) == count, (item, got)
            elif type_entry.id == 1:
                assert got[:1] == want and got[1].startswith("Image: "), (item, got)
            else:
                assert got == want, (item, got, want)
            checked += 1
    for info in getattr(pe, "FileInfo", [[]])[0]:
        if info.Key != b"StringFileInfo":
            continue
        values = info.StringTable[0].entries
        run = subprocess.run([cli, "--image", "resource:VERSION/1", path], capture_output=True,
                             check=True)
        got = run.stdout.decode("utf-8").splitlines()
        assert len(got) == 15, got
        assert got[7] == values.get(b"CompanyName", b"").decode(), (got, values)
        assert got[13] == values.get(b"ProductName", b"").decode(), (got, values)
        checked += 1
    assert checked > 0, path


def objdump_section_names(path):
    """The section names objdump prints (long ones resolved)."""
    pe = pefile.PE(path, fast_load=True)
    tool = "x86_64-w64-mingw32-objdump" if pe.FILE_HEADER.Machine == 0x8664 else \
        "i686-w64-mingw32-objdump"
    run = subprocess.run([tool, "-h", path], capture_output=True, text=True)
    names = []
    for line in run.stdout.splitlines():
        fields = line.split()
        if len(fields) >= 7 and fields[0].isdigit():
            names.append(fields[1])
    return names


def check_directories_against_pefile(pe, d):
    """TLS callbacks, relocations, delay imports and the CodeView record."""
    tls = getattr(pe, "DIRECTORY_ENTRY_TLS", None)
    if tls is None:
        assert d["tls"] is None, d["tls"]
    else:
        callbacks, va = [], tls.struct.AddressOfCallBacks
        wide = pe.OPTIONAL_HEADER.Magic == 0x20B
        while va and len(callbacks) < 4096:
            rva = va - pe.OPTIONAL_HEADER.ImageBase
            value = pe.get_qword_at_rva(rva) if wide else pe.get_dword_at_rva(rva)
            if not value:
                break
            callbacks.append(value)
            va += 8 if wide else 4
        assert d["tls"]["callbacks"] == callbacks, (d["tls"], callbacks)
    blocks = getattr(pe, "DIRECTORY_ENTRY_BASERELOC", None)
    if blocks is None:
        assert d["relocations"] is None or d["relocations"]["blocks"] == 0, d["relocations"]
    else:
        types = {}
        for block in blocks:
            for entry in block.entries:
                types[entry.type] = types.get(entry.type, 0) + 1
        got = d["relocations"]
        assert got["blocks"] == len(blocks), got
        assert {t["type"]: t["count"] for t in got["byType"]} == types, (got, types)
    delay = [(i.dll.decode(), [f.name.decode() if f.name else f.ordinal for f in i.imports])
             for i in getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])]
    assert [(m["module"], [f["name"] if f["name"] is not None else f["ordinal"]
                           for f in m["functions"]]) for m in d["delayImports"]] == delay, delay
    codeview = None
    for entry in getattr(pe, "DIRECTORY_ENTRY_DEBUG", []):
        if entry.struct.Type == 2 and entry.entry is not None:
            codeview = entry.entry
            break
    got = d["debug"]["codeView"] if d["debug"] else None
    if codeview is None:
        assert got is None, got
    else:
        assert got["signature"] == codeview.CvSignature.decode(), (got, codeview)
        assert got["age"] == codeview.Age, (got, codeview)
        assert got["pdbPath"] == codeview.PdbFileName.rstrip(b"\0").decode("utf-8", "replace"), got
        if got["signature"] == "RSDS":
            guid = "{%08X-%04X-%04X-%02X%02X-%s}" % (
                codeview.Signature_Data1, codeview.Signature_Data2, codeview.Signature_Data3,
                codeview.Signature_Data4, codeview.Signature_Data5,
                bytes(codeview.Signature_Data6).hex().upper())
            assert got["guid"] == guid, (got, guid)


def check_text_facts(cli, path, pe):
    """The text report's lists after its facts: sections, data directories
    and imports with their hints, as pefile reads them."""
    text = subprocess.run([cli, path], capture_output=True, check=True).stdout.decode("utf-8")
    facts = text[text.index("== Facts ==\n"):].splitlines()

    def items(label):
        if label + ":" not in facts:
            return []
        at = facts.index(label + ":") + 1
        out = []
        while at < len(facts) and facts[at].startswith("  "):
            out.append(facts[at][2:])
            at += 1
        return out

    sections = items("Sections")
    assert len(sections) == len(pe.sections), (path, sections)
    for line, s in zip(sections, pe.sections):
        head, entropy = line.rsplit(", entropy ", 1)
        assert head.split(": virtual size ")[1] == "0x%X" % s.Misc_VirtualSize, (path, line)
        assert head.startswith(s.Name.rstrip(b"\0").decode("latin-1")), (path, line)
        assert abs(float(entropy) - s.get_entropy()) <= 0.005 + 1e-9, (path, line, s.get_entropy())
    names = ["EXPORT", "IMPORT", "RESOURCE", "EXCEPTION", "SECURITY", "BASERELOC", "DEBUG",
             "ARCHITECTURE", "GLOBALPTR", "TLS", "LOAD_CONFIG", "BOUND_IMPORT", "IAT",
             "DELAY_IMPORT", "COM_DESCRIPTOR", "RESERVED"]
    want = ["%s: 0x%X, %d bytes" % (names[i], d.VirtualAddress, d.Size)
            for i, d in enumerate(pe.OPTIONAL_HEADER.DATA_DIRECTORY) if d.VirtualAddress or d.Size]
    assert items("Data Directories") == want, (path, items("Data Directories"), want)
    for label, key in (("Imports", "DIRECTORY_ENTRY_IMPORT"),
                       ("Delay Imports", "DIRECTORY_ENTRY_DELAY_IMPORT")):
        want = ["%s: %s" % (i.dll.decode(), ", ".join(
            "ordinal %d" % f.ordinal if f.import_by_ordinal else
            "%s (hint %d)" % (f.name.decode(), f.hint) for f in i.imports) or "none")
            for i in getattr(pe, key, [])]
        assert items(label) == want, (path, label, items(label), want)


def check_data(cli, files, missing):
    """--json: valid against the published schema, one object a file in order,
    and the numbers pefile reads."""
    run = subprocess.run([cli, "--json"] + files + [missing], capture_output=True, text=True)
    assert run.returncode == 1, run.returncode
    data = json.loads(run.stdout)
    with open(SCHEMA) as f:
        jsonschema.validate(data, json.load(f), cls=jsonschema.Draft202012Validator)
    assert [d["file"] for d in data] == files + [missing]
    assert data[-1]["error"] == "No such file or directory" and data[-1]["fileHeader"] is None
    for path, d in zip(files, data):
        pe = pefile.PE(path)
        assert d["error"] is None and d["imageType"] == "NT" and not d["truncated"], d["file"]
        assert d["size"] == os.path.getsize(path)
        fh = d["fileHeader"]
        assert fh["machine"] == pe.FILE_HEADER.Machine
        assert fh["machineName"] == MACHINES[pe.FILE_HEADER.Machine]
        assert fh["timeDateStamp"] == pe.FILE_HEADER.TimeDateStamp
        assert fh["numberOfSections"] == pe.FILE_HEADER.NumberOfSections
        oh, poh = d["optionalHeader"], pe.OPTIONAL_HEADER
        assert oh["imageBase"] == poh.ImageBase and oh["sizeOfImage"] == poh.SizeOfImage
        assert oh["addressOfEntryPoint"] == poh.AddressOfEntryPoint
        assert oh["format"] == ("PE32+" if poh.Magic == 0x20B else "PE32")
        flags = sorted(name[len("IMAGE_DLLCHARACTERISTICS_"):] for name, bit in
                       pefile.dll_characteristics if poh.DllCharacteristics & bit)
        assert sorted(oh["dllCharacteristicsNames"]) == flags, (oh["dllCharacteristicsNames"], flags)
        for entry, directory in zip(oh["dataDirectories"], poh.DATA_DIRECTORY):
            assert (entry["virtualAddress"], entry["size"]) == (directory.VirtualAddress,
                                                                directory.Size), entry
        assert [(x["headerName"], x["virtualSize"], x["virtualAddress"], x["sizeOfRawData"])
                for x in d["sections"]] == [
            (s.Name.rstrip(b"\0").decode("latin-1"), s.Misc_VirtualSize, s.VirtualAddress,
             s.SizeOfRawData) for s in pe.sections]
        for x, section in zip(d["sections"], pe.sections):
            assert abs(x["entropy"] - section.get_entropy()) < 0.005, (x, section.get_entropy())
        # Long names as the linker's own tools read them.
        if any(x["headerName"].startswith("/") for x in d["sections"]):
            assert [x["name"] for x in d["sections"]] == objdump_section_names(path), d["sections"]
        else:
            assert all(x["name"] == x["headerName"] for x in d["sections"]), d["sections"]
        overlay = pe.get_overlay_data_start_offset()
        assert (d["overlay"] or {}).get("offset") == overlay, (d["overlay"], overlay)
        if overlay is not None:
            assert d["overlay"]["size"] == os.path.getsize(path) - overlay
        check_directories_against_pefile(pe, d)
        check_text_facts(cli, path, pe)
        # The digests as the system's own tools print them.
        for key, tool in (("md5", "md5sum"), ("sha1", "sha1sum"), ("sha256", "sha256sum")):
            want = subprocess.run([tool, path], capture_output=True, text=True).stdout.split()[0]
            assert d["hashes"][key] == want, (path, key)
        # (pefile names the well-known ordinals of ws2_32, wsock32 and
        # oleaut32 in the hash, and so does the reader.)
        assert d["hashes"]["importHash"] == (pe.get_imphash() or None), path
        imports = [(i.dll.decode(), [(None, f.ordinal, None) if f.import_by_ordinal else
                                     (f.name.decode(), None, f.hint) for f in i.imports])
                   for i in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]
        assert [(m["module"], [(f["name"], f["ordinal"], f["hint"]) for f in m["functions"]])
                for m in d["imports"]] == imports
        symbols = pe.DIRECTORY_ENTRY_EXPORT.symbols if hasattr(pe, "DIRECTORY_ENTRY_EXPORT") else []
        want = [(s.name.decode() if s.name else None, s.ordinal, s.address,
                 s.forwarder.decode() if s.forwarder else None) for s in symbols]
        got = sorted(((x["name"], x["ordinal"], x["rva"], x["forwarder"]) for x in d["exports"]),
                     key=lambda t: t[1])
        assert got == sorted(want, key=lambda t: t[1]), (got, want)
        # The leaves of the resource tree in directory order.
        leaves = []
        root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
        for t in root.entries if root else []:
            for n in t.directory.entries:
                for lang in n.directory.entries:
                    leaves.append((t.id if t.name is None else None,
                                   str(t.name) if t.name is not None else None,
                                   n.id if n.name is None else None,
                                   str(n.name) if n.name is not None else None,
                                   lang.id, lang.data.struct.OffsetToData, lang.data.struct.Size))
        assert [(r["type"], r["typeName"], r["id"], r["name"], r["language"], r["rva"], r["size"])
                for r in d["resources"]] == leaves, (d["resources"][:3], leaves[:3])
    # A file that is no executable is still an element, with its reason.
    text = os.path.join(os.path.dirname(missing), "not-an-executable-data.txt")
    with open(text, "w") as out:
        out.write("hello\n")
    run = subprocess.run([cli, "--json", text], capture_output=True, text=True)
    os.remove(text)
    data = json.loads(run.stdout)
    assert run.returncode == 1 and data[0]["error"] == "not a PE, NE, LE or DOS executable", data
    assert data[0]["imageType"] == "Unknown" and data[0]["sections"] == [], data
    assert subprocess.run([cli, "--json", "--json-text", files[0]],
                          capture_output=True).returncode == 2


def check_facts(cli, files):
    """The rich header, the guard flags and the .NET header of --json against
    pefile, for every file pefile reads."""
    run = subprocess.run([cli, "--json"] + files, capture_output=True, text=True)
    data = json.loads(run.stdout)
    with open(SCHEMA) as f:
        jsonschema.validate(data, json.load(f), cls=jsonschema.Draft202012Validator)
    compared = 0
    for path, d in zip(files, data):
        try:
            pe = pefile.PE(path)
        except Exception:
            continue
        if d["imageType"] != "NT" or d["fileHeader"] is None:
            continue
        rich = pe.parse_rich_header()
        if rich and rich["values"]:
            got = d["richHeader"]
            assert got is not None, path
            values = []
            for e in got["entries"]:
                values += [e["productId"] << 16 | e["build"], e["count"]]
            assert values == rich["values"], (path, values, rich["values"])
            assert got["key"] == struct.unpack("<I", rich["key"])[0], path
            # The text report lists the same tools.
            text = subprocess.run([cli, path], capture_output=True).stdout.decode("utf-8")
            lines = text[text.index("== Facts ==\n"):].splitlines()
            at = lines.index("Rich Header:") + 1
            want = ["  product %d, build %d: %d" % (v >> 16, v & 0xFFFF, c)
                    for v, c in zip(rich["values"][0::2], rich["values"][1::2])]
            assert lines[at:at + len(want)] == want, (path, lines[at:at + len(want)], want)
            compared += 1
        lc = getattr(pe, "DIRECTORY_ENTRY_LOAD_CONFIG", None)
        if lc is not None and hasattr(lc.struct, "GuardFlags") and d["guardFlags"] is not None:
            assert d["guardFlags"] == lc.struct.GuardFlags, (path, d["guardFlags"])
            compared += 1
        directories = pe.OPTIONAL_HEADER.DATA_DIRECTORY
        clr = directories[14] if len(directories) > 14 else None
        if clr and clr.VirtualAddress and clr.Size and d["clr"] is not None:
            header = pe.get_data(clr.VirtualAddress, 24)
            major, minor = struct.unpack_from("<HH", header, 4)
            flags = struct.unpack_from("<I", header, 16)[0]
            assert d["clr"]["runtimeVersion"] == {"major": major, "minor": minor}, path
            assert d["clr"]["flags"] == flags, path
            compared += 1
    assert compared >= 5, compared
    # The text report with its facts, over the same files: no fault, no hang,
    # and UTF-8 whatever bytes the hostile files' names hold (a stray byte
    # is read as Latin-1, as in the JSON).
    run = subprocess.run([cli] + files, capture_output=True, timeout=600)
    assert run.returncode in (0, 1), run.returncode
    run.stdout.decode("utf-8")
    assert run.stdout.count(b"== Facts ==") >= compared, run.stdout.count(b"== Facts ==")
    print("vistrel-cli --json facts: %d compared over %d files" % (compared, len(files)))


def check_signature(cli, exe):
    """EXE signed here with a throw-away CA and signer, once with SHA-256 and a
    signing time, once with SHA-1 and a time stamp of a throw-away authority:
    the signer, the issuer, the times and the digest as osslsigncode made
    them; a changed byte breaks the digest; the unsigned file has none."""
    def run(*args):
        subprocess.run(args, check=True, capture_output=True, cwd=work)

    def signature(path):
        out = subprocess.run([cli, "--json", path], capture_output=True, text=True)
        data = json.loads(out.stdout)
        with open(SCHEMA) as f:
            jsonschema.validate(data, json.load(f), cls=jsonschema.Draft202012Validator)
        return data[0]["signature"]

    exe = os.path.abspath(exe)
    with tempfile.TemporaryDirectory() as work:
        run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
            "-subj", "/CN=Tessaloom Test CA/O=Tessaloom", "-keyout", "ca.key", "-out", "ca.pem")
        run("openssl", "req", "-new", "-newkey", "rsa:2048", "-nodes",
            "-subj", "/CN=Tessaloom Test Signer/O=Tessaloom", "-keyout", "signer.key",
            "-out", "signer.csr")
        run("openssl", "x509", "-req", "-in", "signer.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-days", "2", "-out", "signer.pem")
        run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
            "-subj", "/CN=Tessaloom Test Clock", "-addext",
            "extendedKeyUsage=critical,timeStamping", "-keyout", "tsa.key", "-out", "tsa.pem")
        with open(os.path.join(work, "chain.pem"), "w") as chain:
            for name in ("signer.pem", "ca.pem"):
                with open(os.path.join(work, name)) as f:
                    chain.write(f.read())
        run("osslsigncode", "sign", "-certs", "chain.pem", "-key", "signer.key", "-h", "sha256",
            "-time", "1700000000", "-in", exe, "-out", "signed.exe")
        # Older osslsigncode has no time-stamping authority of its own.
        stamping = subprocess.run(
            ["osslsigncode", "sign", "-certs", "chain.pem", "-key", "signer.key", "-h", "sha1",
             "-time", "1700000000", "-TSA-certs", "tsa.pem", "-TSA-key", "tsa.key",
             "-TSA-time", "1600000000", "-in", exe, "-out", "stamped.exe"],
            cwd=work, capture_output=True).returncode == 0
        assert signature(exe) is None

        signed = signature(os.path.join(work, "signed.exe"))
        assert signed["readable"] and signed["certificateType"] == 2, signed
        assert signed["digestAlgorithm"] == "sha256", signed
        assert signed["digestMatches"] is True, signed
        assert signed["signer"] == "Tessaloom Test Signer", signed
        assert signed["issuer"] == "Tessaloom Test CA", signed
        assert signed["signingTime"] == "2023-11-14T22:13:20Z", signed
        assert signed["timestampTime"] is None, signed
        verify = subprocess.run(["osslsigncode", "verify", "-in", "signed.exe"], cwd=work,
                                capture_output=True, text=True).stdout
        assert "Calculated message digest : %s" % signed["fileDigest"].upper() in verify, verify

        if stamping:
            stamped = signature(os.path.join(work, "stamped.exe"))
            assert stamped["digestAlgorithm"] == "sha1", stamped
            assert stamped["digestMatches"] is True, stamped
            assert stamped["signingTime"] == "2023-11-14T22:13:20Z", stamped
            assert stamped["timestampTime"] == "2020-09-13T12:26:40Z", stamped
        else:
            print("osslsigncode cannot time-stamp by itself here: that case not checked")

        # The text report says the same after the pages, with the digests
        # that sha256sum and md5sum make.
        path = os.path.join(work, "signed.exe")
        text = subprocess.run([cli, path], capture_output=True, text=True, check=True).stdout
        facts = text[text.index("== Facts ==\n"):].splitlines()
        sha256 = subprocess.run(["sha256sum", path], capture_output=True, text=True).stdout.split()[0]
        md5 = subprocess.run(["md5sum", path], capture_output=True, text=True).stdout.split()[0]
        assert "SHA-256: " + sha256 in facts and "MD5: " + md5 in facts, facts
        assert ('Signature: sha256, signer "Tessaloom Test Signer", issuer "Tessaloom Test CA", '
                "signed 2023-11-14T22:13:20Z") in facts, facts
        assert "Digest: matches the signed one" in facts, facts

        # One byte of the first section changed: the signature no longer fits.
        pe = pefile.PE(os.path.join(work, "signed.exe"))
        at = pe.sections[0].PointerToRawData + 16
        pe.close()
        path = os.path.join(work, "signed.exe")
        with open(path, "r+b") as f:
            f.seek(at)
            byte = f.read(1)
            f.seek(at)
            f.write(bytes([byte[0] ^ 0xFF]))
        broken = signature(path)
        assert broken["digestMatches"] is False, broken
        text = subprocess.run([cli, path], capture_output=True, text=True, check=True).stdout
        assert "Digest: does not match the signed one: the file was changed after signing" in text
        assert "Signature: none" in subprocess.run([cli, exe], capture_output=True, text=True).stdout
        assert broken["signedDigest"] == signed["signedDigest"], broken

        # A certificate table cut short: told as unreadable, nothing invented.
        with open(path, "r+b") as f:
            f.truncate(signed["tableOffset"] + 100)
        cut = signature(path)
        assert cut["readable"] is False and cut["signer"] is None, cut
    print("vistrel-cli --json signatures: checked")


def main():
    cli, files = sys.argv[1], sys.argv[2:]
    if files and files[0] == "--signature":
        check_signature(cli, files[1])
        return
    if files and files[0] == "--facts":
        check_facts(cli, files[1:])
        return
    if files and files[0] == "--data":
        # Only --json, on files from elsewhere (Wine's own).
        files = files[1:]
        check_data(cli, files, os.path.join(os.path.dirname(files[0]), "no-such-file.dll"))
        print("vistrel-cli --json: %d files checked" % len(files))
        return
    for name in [f for f in files if f.startswith("NAMES=")]:
        files.remove(name)
        check_resource_names(cli, name[len("NAMES="):])
    missing = os.path.join(os.path.dirname(files[0]), "no-such-file.dll")
    args = [cli, "--json-text", files[0], missing] + files[1:]
    run = subprocess.run(args, capture_output=True, text=True, check=False)
    assert run.returncode == 1, run.returncode
    assert run.stderr == "vistrel-cli: %s: No such file or directory\n" % missing, run.stderr
    report = json.loads(run.stdout)
    assert list(report) == files, list(report)
    for path in files:
        assert list(report[path]) == PAGES, (path, list(report[path]))
        check_against_pefile(path, report[path])
        check_item_views(cli, path)
        check_image_views(cli, path)
    check_data(cli, files, missing)

    # Files that are no executable: the page the window shows, and status 1.
    work = os.path.dirname(missing)
    for name, data in (("text.txt", b"hello world\n"), ("noise.bin", bytes(range(256)) * 7),
                       ("empty.bin", b"")):
        path = os.path.join(work, "not-an-executable-" + name)
        with open(path, "wb") as out:
            out.write(data)
        run = subprocess.run([cli, path], capture_output=True, text=True)
        assert run.returncode == 1, (name, run.returncode)
        assert run.stderr == "vistrel-cli: %s: not a PE, NE, LE or DOS executable\n" % path, \
            run.stderr
        if data:
            assert "Image Type: Unknown" in run.stdout, run.stdout
        # A good file beside it still gets its report.
        run = subprocess.run([cli, path, files[0]], capture_output=True, text=True)
        assert run.returncode == 1 and "#### " + files[0] in run.stdout, run
        os.remove(path)

    # The text form: one block a file, headed by its name.
    text = subprocess.run([cli] + files, capture_output=True, text=True, check=True).stdout
    assert [line[5:] for line in text.splitlines() if line.startswith("#### ")] == files
    assert subprocess.run([cli], capture_output=True, check=False).returncode == 2
    print("vistrel-cli: %d files checked" % len(files))


if __name__ == "__main__":
    main()
