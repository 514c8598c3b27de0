#!/usr/bin/env bash
# dlvnt_print_e2e.sh DRIVER.exe OUTDIR: dlvnt prints every grid into a
# PostScript file under Wine (the driver answers the dialogs and writes the
# print lines the grids hold), then ghostscript reads the file back here.
# Ends 77 (skipped) when the prefix has no printer.
set -u
here=$(cd "$(dirname "$0")" && pwd)
driver=$1
out=$2
rm -rf "$out"
mkdir -p "$out"
"$here/../../scripts/e2e-run" "$driver" "--out=Z:$(printf '%s' "$out" | tr / '\\')" || exit 1
if [ -f "$out/no-printer" ]; then
  echo "the Wine prefix has no printer: skipped"
  exit 77
fi
python3 "$here/check_print.py" "$out/inventory.ps" "$out/expected.txt" "$out/page1.png"
