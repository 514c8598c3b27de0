#!/usr/bin/env bash
# Builds search_walk_bench in the windows-x64 build and runs it under Wine on
# a private display and prefix: the search walk of C: against a bare
# FindFirstFileW walk of the same tree. Usage: bench/search_walk_bench.sh
set -eu
source "$(dirname "$0")/../scripts/lib.sh"
cd "$ROOT"
cmake --build build/windows-x64 --target search_walk_bench
ensure_golden_prefix
start_xvfb
prefix=$(mktemp -d)/prefix
copy_prefix "$prefix"
WINEPREFIX=$prefix wine build/windows-x64/bin/search_walk_bench.exe
stop_prefix "$prefix"
stop_xvfb
