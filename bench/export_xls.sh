#!/usr/bin/env bash
# `korvane export xls` of a 65,535-film catalogue (a full worksheet with its
# caption row) beside `korvane export csv` of the same catalogue, in the same
# run; then the peak memory of each. Usage: bench/export_xls.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
dir=$(kvn_bench_catalogue 65535)
out=$(mktemp -d)
hyperfine -w 1 -r 10 \
  "$build/app/korvane --dir $dir export xls -o $out/v.xls" \
  "$build/app/korvane --dir $dir export csv -o $out/v.csv"
for type in xls csv; do
  /usr/bin/time -f "korvane export $type: %e s, peak RSS %M kB" \
    "$build/app/korvane" --dir "$dir" export $type -o "$out/v.$type" >/dev/null
done
ls -l "$out"
rm -rf "$out"
