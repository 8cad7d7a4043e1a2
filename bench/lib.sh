# Shared by the bench scripts: the build to time and catalogues of a given
# size, written once by `korvane-demo --films N` (realistic films: accents,
# long titles, names in many scripts, loans) and kept for the next runs.
# Usage in a script: source "$(dirname "$0")/lib.sh"; dir=$(kvn_bench_catalogue N)

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}

# Prints the directory of an N-film catalogue, creating it when missing;
# KVN_BENCH_DIR names another catalogue to use instead.
kvn_bench_catalogue() {
  local films=$1
  local dir=${KVN_BENCH_DIR:-/tmp/kvn-demo-$films}
  if [ ! -f "$dir/video.DB" ]; then
    "$build/tools/korvane-demo" --films "$films" "$dir" >&2
  fi
  echo "$dir"
}
