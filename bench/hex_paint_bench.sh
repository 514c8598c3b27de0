#!/usr/bin/env bash
# Builds hex_paint_bench in the windows-x64 build and runs it under Wine on a
# private display and prefix. Usage: bench/hex_paint_bench.sh
set -eu
source "$(dirname "$0")/../scripts/lib.sh"
cd "$ROOT"
cmake --build build/windows-x64 --target hex_paint_bench
ensure_golden_prefix
start_xvfb
prefix=$(mktemp -d)/prefix
copy_prefix "$prefix"
WINEPREFIX=$prefix wine build/windows-x64/bin/hex_paint_bench.exe
stop_prefix "$prefix"
stop_xvfb
