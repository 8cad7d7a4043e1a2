#!/usr/bin/env bash
# `korvane import` of 100,000 realistic films exported to CSV, into an empty
# catalogue, beside the sqlite3 shell's `.import` of the same file into an
# empty catalogue (its title index and key table included) and into the bare
# table (no index, no trigger), in the same run; then the import's peak memory.
# Usage: bench/import_csv.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
dir=$(kvn_bench_catalogue 100000)
out=$(mktemp -d)
"$build/app/korvane" --dir "$dir" export csv --encoding UTF-8 -o "$out/films.csv" >/dev/null
fresh="rm -rf $out/c $out/bare.db && $build/app/korvane --dir $out/c init >/dev/null && sqlite3 $out/c/video.DB \"SELECT sql FROM sqlite_master WHERE name = 'video'\" | sqlite3 $out/bare.db"
hyperfine -w 1 -r 5 --prepare "$fresh" \
  "$build/app/korvane --dir $out/c import $out/films.csv" \
  "sqlite3 $out/c/video.DB -cmd '.mode csv' -cmd '.separator ;' '.import --skip 1 $out/films.csv video'" \
  "sqlite3 $out/bare.db -cmd '.mode csv' -cmd '.separator ;' '.import --skip 1 $out/films.csv video'"
eval "$fresh"
/usr/bin/time -f "korvane import: %e s, peak RSS %M kB" \
  "$build/app/korvane" --dir "$out/c" import "$out/films.csv" >/dev/null
rm -rf "$out"
