#!/usr/bin/env bash
# `korvane restore` of a 1,000,000-film catalogue from its archive, beside
# unzip writing the same entry out; then the restore's peak memory.
# Usage: bench/restore.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source_dir=$(kvn_bench_catalogue 1000000)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$source_dir/video.DB" "$dir/"
"$build/app/korvane" --dir "$dir" archive
hyperfine -w 1 -r 5 \
  "$build/app/korvane --dir $dir restore" \
  "unzip -p $dir/Archive/video.zip video.DB > $dir/copie.DB && sync $dir/copie.DB"
/usr/bin/time -f "korvane restore: %e s, peak RSS %M kB" "$build/app/korvane" --dir "$dir" restore
