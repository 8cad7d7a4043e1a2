#!/usr/bin/env bash
# Runs the table-engine benchmark on a 1,000,000-film catalogue, generating it
# first when missing (about 20 s). Usage: bench/run_db_bench.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
dir=${KVN_BENCH_DIR:-/tmp/kvn-bench-1m}
if [ ! -f "$dir/video.DB" ]; then
  /usr/bin/python3 "$root/../shared/tools/gen_catalogue.py" 1000000 "$dir" 2>/dev/null ||
    /usr/bin/python3 "$root/tools/gen_catalogue.py" 1000000 "$dir"
fi
KVN_BENCH_DIR=$dir LC_ALL=C.UTF-8 "$build/bench/db_bench" --benchmark_counters_tabular=true
/usr/bin/time -f "peak RSS of the walk: %M kB" "$build/bench/db_bench" \
  --benchmark_filter=Walk >/dev/null
