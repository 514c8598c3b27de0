#!/bin/sh
# run_fuzz.sh FUZZER SECONDS SEED_DIR...: a bounded libFuzzer run on a
# scratch copy of the seed files (libFuzzer adds to its corpus directory).
set -u
fuzzer=$1; seconds=$2; shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for dir in "$@"; do
  [ -d "$dir" ] && find "$dir" -maxdepth 1 -type f -size -2M -exec cp {} "$work"/ \;
done
"$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 "$work"
