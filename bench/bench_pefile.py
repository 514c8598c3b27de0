#!/usr/bin/python3
"""The pefile side of nubrik_bench: parse each file given and touch what the
browser shows (headers, sections, imports, exports, resources, debug)."""
import sys

import pefile


DIRS = [pefile.DIRECTORY_ENTRY[name] for name in (
    "IMAGE_DIRECTORY_ENTRY_EXPORT", "IMAGE_DIRECTORY_ENTRY_IMPORT",
    "IMAGE_DIRECTORY_ENTRY_RESOURCE", "IMAGE_DIRECTORY_ENTRY_DEBUG")]


def read(path):
    # Only the directories the browser shows (relocations and the rest
    # would be extra work the other two do not do).
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(directories=DIRS)
    total = pe.FILE_HEADER.Machine + pe.OPTIONAL_HEADER.AddressOfEntryPoint
    for s in pe.sections:
        total += s.VirtualAddress
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        total += len(entry.imports)
    if hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
        total += len(pe.DIRECTORY_ENTRY_EXPORT.symbols)
    if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
            for n in getattr(t, "directory", None).entries if hasattr(t, "directory") else []:
                for leaf in n.directory.entries if hasattr(n, "directory") else []:
                    total += leaf.data.struct.Size if hasattr(leaf, "data") else 0
    total += len(getattr(pe, "DIRECTORY_ENTRY_DEBUG", []))
    pe.close()
    return total


def main():
    total = 0
    for path in sys.argv[1:]:
        try:
            total += read(path)
        except pefile.PEFormatError:
            pass
    print(total)


if __name__ == "__main__":
    main()
