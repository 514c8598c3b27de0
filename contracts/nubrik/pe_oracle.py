#!/usr/bin/python3
"""Prints what pefile reads from PE files in the text layout of pe_report.cpp.

Usage: pe_oracle.py FILE...      (or a directory: its *.dll, *.exe, ... files)
One block per file: "== PATH" and the lines; files are read by two worker
processes, printed in the order given.
"""
import multiprocessing
import os
import struct
import sys

import pefile

DIRS = [
    pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXPORT"],
    pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"],
    pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"],
    pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_DEBUG"],
]

OPTIONAL_FIELDS = [
    "Magic", "MajorLinkerVersion", "MinorLinkerVersion", "SizeOfCode",
    "SizeOfInitializedData", "SizeOfUninitializedData", "AddressOfEntryPoint",
    "BaseOfCode", "BaseOfData", "ImageBase", "SectionAlignment", "FileAlignment",
    "MajorOperatingSystemVersion", "MinorOperatingSystemVersion", "MajorImageVersion",
    "MinorImageVersion", "MajorSubsystemVersion", "MinorSubsystemVersion", "Reserved1",
    "SizeOfImage", "SizeOfHeaders", "CheckSum", "Subsystem", "DllCharacteristics",
    "SizeOfStackReserve", "SizeOfStackCommit", "SizeOfHeapReserve", "SizeOfHeapCommit",
    "LoaderFlags", "NumberOfRvaAndSizes",
]


def resource_name(pe, name):
    # Resource names in UTF-8 as the library gives them, read from the
    # counted UTF-16 text itself (pefile stops at a NUL and does not pair
    # surrogates): U+0000 and unpaired surrogates as U+FFFD.
    rva = name.get_rva()
    length = struct.unpack("<H", pe.get_data(rva, 2))[0]
    raw = pe.get_data(rva + 2, 2 * length)
    return raw[: len(raw) // 2 * 2].decode("utf-16le", "replace").replace("\0", "\ufffd")


def text(value):
    # Names stored as bytes are printed as those bytes (see main).
    if isinstance(value, bytes):
        return value.decode("utf-8", "surrogateescape")
    return str(value)


def report(path):
    lines = []
    try:
        pe = pefile.PE(path, fast_load=True)
    except pefile.PEFormatError as error:
        return "== %s\nerror %s\n" % (path, error)
    lines.append("signature PE")
    f = pe.FILE_HEADER
    lines.append("file %x %x %x %x %x %x %x" % (
        f.Machine, f.NumberOfSections, f.TimeDateStamp, f.PointerToSymbolTable,
        f.NumberOfSymbols, f.SizeOfOptionalHeader, f.Characteristics))
    o = pe.OPTIONAL_HEADER
    values = [getattr(o, name, 0) for name in OPTIONAL_FIELDS]
    lines.append("optional " + " ".join("%x" % v for v in values))
    for i, d in enumerate(o.DATA_DIRECTORY[:min(o.NumberOfRvaAndSizes, 16)]):
        lines.append("directory %d %x %x" % (i, d.VirtualAddress, d.Size))
    for s in pe.sections:
        name = s.Name.split(b"\0", 1)[0].decode("latin-1")
        lines.append("section %s %x %x %x %x %x %x %x %x %x" % (
            name, s.Misc_VirtualSize, s.VirtualAddress, s.SizeOfRawData, s.PointerToRawData,
            s.PointerToRelocations, s.PointerToLinenumbers, s.NumberOfRelocations,
            s.NumberOfLinenumbers, s.Characteristics))
    pe.parse_data_directories(directories=DIRS)
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        lines.append("import %s" % text(entry.dll))
        for imp in entry.imports:
            if imp.import_by_ordinal:
                lines.append(" Ordinal %d" % imp.ordinal)
            else:
                lines.append(" %s" % text(imp.name))
    if hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
        for sym in pe.DIRECTORY_ENTRY_EXPORT.symbols:
            name = "-" if sym.name is None else text(sym.name)
            forwarder = "" if sym.forwarder is None else " -> " + text(sym.forwarder)
            lines.append("export %d %x %s%s" % (sym.ordinal, sym.address, name, forwarder))
    if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
            type_id = 0 if t.name is not None else t.id
            type_name = "-" if t.name is None else resource_name(pe, t.name)
            if not hasattr(t, "directory"):
                continue
            for n in t.directory.entries:
                name = str(n.id) if n.name is None else resource_name(pe, n.name)
                if not hasattr(n, "directory"):
                    continue
                for leaf in n.directory.entries:
                    if not hasattr(leaf, "data"):
                        continue
                    lines.append("resource %d %s %s %x %x %x" % (
                        type_id, type_name, name, leaf.id or 0,
                        leaf.data.struct.OffsetToData, leaf.data.struct.Size))
    debug = getattr(pe, "DIRECTORY_ENTRY_DEBUG", [])
    if debug:
        lines.append("debug %d" % debug[0].struct.Type)
    pe.close()
    return "== %s\n%s\n" % (path, "\n".join(lines))


PE_SUFFIXES = (".dll", ".exe", ".drv", ".sys", ".ocx", ".cpl", ".acm", ".ax", ".ds", ".tlb")


def files_of(args):
    for arg in args:
        if os.path.isdir(arg):
            for name in sorted(os.listdir(arg)):
                path = os.path.join(arg, name)
                if os.path.isfile(path):
                    yield path
        else:
            yield arg


def main():
    # UTF-8 out; bytes that are no UTF-8 (export names) go out unchanged.
    sys.stdout.reconfigure(encoding="utf-8", errors="surrogateescape")
    paths = list(files_of(sys.argv[1:]))
    with multiprocessing.Pool(2) as pool:
        for block in pool.imap(report, paths, chunksize=8):
            sys.stdout.write(block)


if __name__ == "__main__":
    main()
