#!/usr/bin/env bash
# The archiver on a 300 MB tree of mixed files (a million-film catalogue, text,
# random data, many small files) beside Info-ZIP `zip -1 -r` on the same tree,
# in the same run; then the archiver's peak memory.
# Usage: bench/archive_bench.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
tree=${KVN_BENCH_TREE:-/tmp/kvn-bench-tree}
if [ ! -d "$tree" ]; then
  mkdir -p "$tree/small"
  catalogue=$(kvn_bench_catalogue 1000000)
  cp "$catalogue/video.DB" "$tree/video.DB"
  /usr/bin/python3 - "$tree" <<'PY'
import os, random, sys
tree = sys.argv[1]
rng = random.Random(7)
words = ["film", "jaquette", "catalogue", "prêt", "titre", "durée", "genre", "support", "drame", "comédie"]
with open(os.path.join(tree, "notes.txt"), "w", encoding="utf-8") as f:
    for i in range(1_400_000):
        f.write(" ".join(rng.choice(words) for _ in range(8)) + f" {i}\n")
for n in range(3):
    with open(os.path.join(tree, f"random{n}.bin"), "wb") as f:
        f.write(rng.randbytes(20 * 1024 * 1024))
for n in range(4000):
    with open(os.path.join(tree, "small", f"fiche{n:04d}.txt"), "w", encoding="utf-8") as f:
        f.write(("Fiche %d\n" % n) * rng.randint(100, 2000))
PY
fi
du -sh "$tree"
out=$(mktemp -d)
hyperfine -w 1 -r 5 --prepare "rm -f $out/k.zip $out/z.zip" \
  "$build/bench/archive_bench $tree $out/k.zip" \
  "cd $tree && zip -1 -r -q $out/z.zip ."
/usr/bin/time -f "archiver: %e s, peak RSS %M kB" "$build/bench/archive_bench" "$tree" "$out/k.zip"
ls -l "$out"
rm -rf "$out"
