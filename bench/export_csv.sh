#!/usr/bin/env bash
# `korvane export csv` of a 1,000,000-film catalogue beside the sqlite3 command
# line writing the same rows as CSV, in the same run; then the export's peak
# memory. Usage: bench/export_csv.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
dir=$(kvn_bench_catalogue 1000000)
out=$(mktemp -d)
hyperfine -w 1 -r 5 \
  "$build/app/korvane --dir $dir export csv -o $out/v.csv" \
  "sqlite3 -csv -header $dir/video.DB 'select * from video order by Titre' > $out/s.csv"
/usr/bin/time -f "korvane export csv: %e s, peak RSS %M kB" \
  "$build/app/korvane" --dir "$dir" export csv -o "$out/v.csv"
rm -rf "$out"
