#!/usr/bin/env bash
# The program installed into a temporary prefix finds its help and loads its
# scanner's source manager from there; the desktop files pass their
# validators; the manual page and the completion read without error.
# Usage: installed_layout.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
version=$("$prefix/bin/korvane" --version)
expected="Korvane 1.0
Aide : $prefix/share/korvane/Aide/index.html
Numérisation : $prefix/lib/korvane/libkvn_twain_dsm.so"
if [ "$version" != "$expected" ]; then
  echo "korvane --version installé :"
  echo "$version"
  exit 1
fi
"$prefix/bin/korvane" --dir "$prefix/catalogue" init >/dev/null
[ -f "$prefix/catalogue/video.DB" ]
desktop-file-validate "$prefix/share/applications/org.korvane.Korvane.desktop"
appstreamcli validate --no-net --explain "$prefix/share/metainfo/org.korvane.Korvane.metainfo.xml"
for size in 16 22 24 32 48 64 128 256; do
  file "$prefix/share/icons/hicolor/${size}x${size}/apps/korvane.png" |
    grep -q "PNG image data, $size x $size"
done
# The manual page: no warning from the formatter.
warnings=$(zcat "$prefix/share/man/man1/korvane.1.gz" | groff -k -man -Tutf8 -ww -z 2>&1)
[ -z "$warnings" ] || { echo "$warnings"; exit 1; }
bash -n "$prefix/share/bash-completion/completions/korvane"
# The completion offers the commands and the export types.
cat >"$prefix/complete.sh" <<'SCRIPT'
_init_completion() { cur=${COMP_WORDS[COMP_CWORD]}; prev=${COMP_WORDS[COMP_CWORD-1]}; words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD; }
_filedir() { :; }
source "$1"
COMP_WORDS=(korvane --dir /tmp ex); COMP_CWORD=3; _korvane; echo "${COMPREPLY[*]}"
COMP_WORDS=(korvane export ""); COMP_CWORD=2; _korvane; echo "${COMPREPLY[*]}"
SCRIPT
completed=$(bash "$prefix/complete.sh" "$prefix/share/bash-completion/completions/korvane")
[ "$completed" = "export
xls doc rtf html xml dbf pdf txt csv dif slk tex sql" ] || { echo "$completed"; exit 1; }
echo "installé et vérifié dans $prefix"
