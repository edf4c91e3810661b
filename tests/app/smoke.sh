#!/usr/bin/env bash
# Starts the real program from a fresh copy of the program folder under Xvfb
# and openbox at 1024x768, as the user who runs the tests, and checks that
# the one window on screen is the main window (a message box in its place,
# or beside it, fails), then takes a screenshot and checks it was drawn.
set -euo pipefail
bin=$1 tools=$2 out=$3
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$bin"/. "$work"/
rm -f "$work"/talvec.qzv*
"$tools/talvec_mkdb" "$work/talvec.qzv"
unset QT_QPA_PLATFORM QTWEBENGINE_DISABLE_SANDBOX
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -u
  work=$1 out=$2
  # The titles of the windows the window manager manages, one a line.
  windows() {
    local id
    for id in $(xprop -root _NET_CLIENT_LIST 2>/dev/null | sed -n "s/.*# //p" | tr -d ,); do
      xprop -id "$id" _NET_WM_NAME 2>/dev/null | sed -n "s/^[^=]*= \"\(.*\)\"$/\1/p"
    done
  }
  openbox >/dev/null 2>&1 & wm=$!
  sleep 1
  "$work/TALVEC" >"$work/output.txt" 2>&1 & pid=$!
  shown=
  for _ in $(seq 60); do
    [ -n "$(windows)" ] && { shown=1; break; }
    kill -0 $pid 2>/dev/null || break
    sleep 0.5
  done
  # Anything that shows right after the main window shows too.
  sleep 2
  titles=$(windows)
  import -window root "$out/main_window.png"
  running=1
  kill -0 $pid 2>/dev/null || running=
  kill $pid 2>/dev/null; kill $wm 2>/dev/null
  wait $pid 2>/dev/null
  if [ -z "$shown" ] || [ -z "$running" ]; then
    echo "the program showed no window or ended:"; cat "$work/output.txt"; exit 1
  fi
  if [ "$titles" != "Veltrano" ]; then
    echo "expected the main window alone on screen, found:"; echo "$titles"
    cat "$work/output.txt"; exit 1
  fi
' _ "$work" "$out"
# A blank screen compresses to almost nothing.
size=$(stat -c %s "$out/main_window.png")
echo "screenshot $out/main_window.png: $size bytes"
[ "$size" -gt 4000 ]
