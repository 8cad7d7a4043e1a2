#!/usr/bin/env bash
# Runs the table-engine benchmark on a 1,000,000-film catalogue, generating it
# first when missing (about 40 s). Usage: bench/run_db_bench.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
dir=$(kvn_bench_catalogue 1000000)
KVN_BENCH_DIR=$dir LC_ALL=C.UTF-8 "$build/bench/db_bench" --benchmark_counters_tabular=true
KVN_BENCH_DIR=$dir /usr/bin/time -f "peak RSS of the walk: %M kB" "$build/bench/db_bench" \
  --benchmark_filter=Walk >/dev/null
