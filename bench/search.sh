#!/usr/bin/env bash
# The quick filter on 1,000,000 films. First what one keystroke costs in the
# window: the row ids it asks, in title order, for three letters (a prefix
# that many films share), two words and a rare name, timed through the sqlite3
# shell (its own start included). Then `korvane search` for the same words
# (start, open, and every matching film printed); beside it a LIKE on the
# title alone. Usage: bench/search.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
dir=$(kvn_bench_catalogue 1000000)
keys() {
  echo "sqlite3 $dir/video.DB \"SELECT count(*) FROM (SELECT id FROM video_cle WHERE id IN (SELECT rowid FROM video_recherche WHERE video_recherche MATCH '$1') ORDER BY cle, id)\""
}
hyperfine -w 1 -r 10 -N \
  "$(keys '"ame"*')" \
  "$(keys '"nuit"* "noire"*')" \
  "$(keys '"kieslowski"* "dvorak"*')"
hyperfine -w 1 -r 5 -N \
  "$build/app/korvane --dir $dir search ame" \
  "$build/app/korvane --dir $dir search 'nuit noire'" \
  "$build/app/korvane --dir $dir search kieslowski dvorak" \
  "sqlite3 $dir/video.DB \"SELECT count(*) FROM video WHERE Titre LIKE '%nuit%noire%'\""
ls -l "$dir/video.DB"
