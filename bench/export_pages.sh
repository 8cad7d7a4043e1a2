#!/usr/bin/env bash
# `korvane export html`, `rtf` and `csv` of a 100,000-film catalogue in the
# same run (HTML and RTF at most twice the CSV time), then their peak memory.
# Usage: bench/export_pages.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
dir=$(kvn_bench_catalogue 100000)
out=$(mktemp -d)
hyperfine -w 1 -r 5 \
  "$build/app/korvane --dir $dir export csv -o $out/v.csv" \
  "$build/app/korvane --dir $dir export html -o $out/v.html" \
  "$build/app/korvane --dir $dir export rtf -o $out/v.rtf"
for type in csv html rtf; do
  /usr/bin/time -f "korvane export $type: %e s, peak RSS %M kB" \
    "$build/app/korvane" --dir "$dir" export $type -o "$out/v.$type"
done
ls -l "$out"
rm -rf "$out"
