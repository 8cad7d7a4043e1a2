#!/usr/bin/env bash
# An export of a 100,000-film catalogue from the export dialog (progress window
# following every record) beside `korvane export` of the same type (at most
# 1.2 times its time); the two files must be the same.
# Usage: bench/export_dialog.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
dir=$(kvn_bench_catalogue 100000)
out=$(mktemp -d)
for type in csv html pdf; do
  for run in 1 2 3; do
    KVN_BENCH_DIR=$dir "$build/bench/export_dialog_bench" $type "$out/dialog.$type" 2>/dev/null
  done
  hyperfine -w 1 -r 5 "$build/app/korvane --dir $dir export $type -o $out/cli.$type" 2>/dev/null | grep -E "Time"
  cmp "$out/dialog.$type" "$out/cli.$type" && echo "$type: same file"
done
rm -rf "$out"
