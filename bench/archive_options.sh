#!/usr/bin/env bash
# The archiver on the 300 MB tree of bench/archive_bench.sh three ways in the
# same run: plain, every entry encrypted (at most 1.3 times the plain time),
# split into 100 MB volumes (at most 1.1 times).
# Usage: bench/archive_options.sh [BUILD_DIR]   (run bench/archive_bench.sh once first)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
tree=${KVN_BENCH_TREE:-/tmp/kvn-bench-tree}
out=$(mktemp -d)
hyperfine -w 1 -r 5 --prepare "rm -f $out/*" \
  "$build/bench/archive_bench $tree $out/plain.zip" \
  "$build/bench/archive_bench $tree $out/secret.zip --password motdepasse" \
  "$build/bench/archive_bench $tree $out/split.zip --volumes-100mb"
ls -l "$out"
rm -rf "$out"
