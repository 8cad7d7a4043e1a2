#!/usr/bin/env bash
# `korvane print` of a 10,000-film catalogue: the list report laid out and drawn
# into a PDF file, timed as a whole command, with its peak memory and the pages
# it made. Usage: bench/print_list.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
dir=${KVN_BENCH_DIR:-/tmp/kvn-bench-10k}
if [ ! -f "$dir/video.DB" ]; then
  /usr/bin/python3 "$root/../shared/tools/gen_catalogue.py" 10000 "$dir"
fi
out=$(mktemp -d)
hyperfine -w 1 -r 5 "$build/app/korvane --dir $dir print -o $out/liste.pdf"
/usr/bin/time -f "korvane print: %e s, peak RSS %M kB" \
  "$build/app/korvane" --dir "$dir" print -o "$out/liste.pdf" 2>&1 | grep -v XDG_RUNTIME_DIR
pdfinfo "$out/liste.pdf" | grep -E "Pages|File size"
rm -rf "$out"
