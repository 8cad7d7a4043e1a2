#!/usr/bin/env bash
# `korvane export pdf`, `xml`, `sql`, `tex`, `dbf` and `csv` of a 100,000-film
# catalogue in the same run (PDF at most three times the CSV time, the others
# at most twice), then their peak memory (each under 128 MB).
# Usage: bench/export_tables.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
dir=$(kvn_bench_catalogue 100000)
out=$(mktemp -d)
types=(csv pdf xml sql tex dbf)
commands=()
for type in "${types[@]}"; do commands+=("$build/app/korvane --dir $dir export $type -o $out/v.$type"); done
hyperfine -w 1 -r 5 "${commands[@]}"
for type in "${types[@]}"; do
  /usr/bin/time -f "korvane export $type: %e s, peak RSS %M kB" \
    "$build/app/korvane" --dir "$dir" export $type -o "$out/v.$type"
done
ls -l "$out"
rm -rf "$out"
