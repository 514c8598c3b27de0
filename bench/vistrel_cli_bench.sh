#!/usr/bin/env bash
# vistrel-cli --json over Wine's PE files against llvm-readobj-14 printing the
# same tables (file and optional headers, sections, imports, exports, debug
# directory). Usage: bench/vistrel_cli_bench.sh [BUILD_DIR] [PE_DIR]
set -eu
build=${1:-build/host-release}
dir=${2:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}
cli=$build/bin/vistrel-cli
[ -x "$cli" ] || { echo "build vistrel-cli first (cmake --build $build --target vistrel-cli)" >&2; exit 1; }
mapfile -t files < <(find "$dir" -maxdepth 1 -type f \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' -o -iname '*.sys' -o -iname '*.ocx' -o -iname '*.cpl' \) | sort)
# llvm-readobj stops at the first file it cannot parse: both tools get the
# files it reads.
opts=(--file-headers --section-headers --coff-imports --coff-exports --coff-debug-directory)
readable=()
for f in "${files[@]}"; do
  llvm-readobj-14 "${opts[@]}" "$f" >/dev/null 2>&1 && readable+=("$f")
done
files=("${readable[@]}")
echo "files: ${#files[@]} in $dir (those llvm-readobj-14 reads)"

measure() {  # name command...
  local start end
  start=$(date +%s.%N)
  "$@" >/tmp/vistrel_bench_out.$$ 2>/dev/null || true
  end=$(date +%s.%N)
  printf '%-14s %6.2f s  %9d bytes of output\n' "$1" "$(echo "$end - $start" | bc)" \
    "$(stat -c %s /tmp/vistrel_bench_out.$$)"
}

for round in 1 2 3; do
  echo "round $round"
  measure "$cli" --json "${files[@]}"
  measure llvm-readobj-14 "${opts[@]}" "${files[@]}"
done
rm -f /tmp/vistrel_bench_out.$$
