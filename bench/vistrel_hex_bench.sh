#!/usr/bin/env bash
# vistrel-cli --hex of the largest code section of Wine's DLLs against xxd
# dumping the same bytes, in the same run, best of three each.
# Usage: bench/vistrel_hex_bench.sh [BUILD_DIR] [PE_DIR]
set -eu
build=${1:-build/host-release}
dir=${2:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}
cli=$build/bin/vistrel-cli
[ -x "$cli" ] || { echo "build vistrel-cli first (cmake --build $build --target vistrel-cli)" >&2; exit 1; }
# The largest .text section, as pefile reads it: file, raw offset and size.
read -r file offset size < <(/usr/bin/python3 - "$dir" <<'PY'
import glob, sys
import pefile
best = (0, "", 0)
for path in sorted(glob.glob(sys.argv[1] + "/*.dll")):
    try:
        pe = pefile.PE(path, fast_load=True)
    except pefile.PEFormatError:
        continue
    for s in pe.sections:
        if s.Name.rstrip(b"\0") == b".text" and s.SizeOfRawData > best[0]:
            best = (s.SizeOfRawData, path, s.PointerToRawData)
print(best[1], best[2], best[0])
PY
)
echo "section .text of $file: $size bytes at $offset"
out=$(mktemp)
best() {  # command...: the best of three wall times in seconds
  local t b=""
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N)
    "$@" >"$out"
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc)
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
  done
  printf '%s' "$b"
}
for align in byte word dword; do
  t=$(best "$cli" --hex section:.text --align "$align" "$file")
  printf 'vistrel-cli --hex --align %-5s %6.3f s  %9d lines\n' "$align" "$t" "$(wc -l <"$out")"
done
t=$(best xxd -s "$offset" -l "$size" "$file")
printf 'xxd (16 bytes a line)          %6.3f s  %9d lines\n' "$t" "$(wc -l <"$out")"
t=$(best xxd -g 1 -s "$offset" -l "$size" "$file")
printf 'xxd -g 1 (bytes, as Byte)      %6.3f s  %9d lines\n' "$t" "$(wc -l <"$out")"
rm -f "$out"
