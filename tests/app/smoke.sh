#!/usr/bin/env bash
# Starts the real program under Xvfb from a fresh program folder, takes a
# screenshot of its window and checks that something was drawn.
set -euo pipefail
bin=$1 tools=$2 out=$3
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$bin/TALVEC" "$work/"
"$tools/talvec_mkdb" "$work/talvec.qzv"
export QTWEBENGINE_DISABLE_SANDBOX=1
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1400x900x24" bash -c '
  "$1/TALVEC" & pid=$!
  sleep 4
  kill -0 $pid
  import -window root "$2/main_window.png"
  kill $pid
' _ "$work" "$out"
# A blank screen compresses to almost nothing.
size=$(stat -c %s "$out/main_window.png")
echo "screenshot $out/main_window.png: $size bytes"
[ "$size" -gt 4000 ]
