#!/usr/bin/env bash
# `korvane export html` of a 20,000-film catalogue in pages of 10 films (2,000
# pages, their index and style sheet, replaced as one set) beside the same
# export in one page. The set is made durable once, not page by page.
# Usage: bench/export_page_sets.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
dir=$(kvn_bench_catalogue 20000)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
printf '[GENERAL]\nExportType=3\n[HTML]\nFileRecCount=10\nGenerateIndex=1\nCSS=1\n' >"$out/pages.cfg"
printf '[GENERAL]\nExportType=3\n[HTML]\nFileRecCount=0\n' >"$out/one.cfg"
mkdir "$out/pages" "$out/one"
hyperfine -w 1 -r 5 \
  "$build/app/korvane --dir $dir export html --options $out/pages.cfg -o $out/pages/v.html" \
  "$build/app/korvane --dir $dir export html --options $out/one.cfg -o $out/one/v.html"
echo "pages: $(ls "$out/pages" | wc -l) files"
