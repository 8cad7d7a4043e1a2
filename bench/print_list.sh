#!/usr/bin/env bash
# `korvane print` of a 10,000-film catalogue: the list report laid out and drawn
# into a PDF file, timed as a whole command, with its peak memory and the pages
# it made. Usage: bench/print_list.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
dir=$(kvn_bench_catalogue 10000)
out=$(mktemp -d)
hyperfine -w 1 -r 5 "$build/app/korvane --dir $dir print -o $out/liste.pdf"
/usr/bin/time -f "korvane print: %e s, peak RSS %M kB" \
  "$build/app/korvane" --dir "$dir" print -o "$out/liste.pdf" 2>&1 | grep -v XDG_RUNTIME_DIR
pdfinfo "$out/liste.pdf" | grep -E "Pages|File size"
rm -rf "$out"
