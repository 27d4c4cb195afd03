#!/usr/bin/env bash
# Starts the real program on its demo share, headless, and checks that the
# main window came up: the hidden --screenshot option saves it and closes it.
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work"
chmod 700 "$work"
timeout 60 "$program" --demo --screenshot "$work/main.png" 2> >(grep -v propagateSizeHints >&2)
test -s "$work/main.png"
# PNG header: width and height of the window (254 x 249 dialog units).
size=$(od -An -tu1 -j16 -N8 "$work/main.png" | tr -s ' ')
[ "$size" = " 0 0 1 125 0 0 1 149" ] || { echo "unexpected picture size: $size" >&2; exit 1; }
# Terminated while its window is open, the demo still removes its folder.
mkdir "$work/tmp"
TMPDIR="$work/tmp" "$program" --demo 2>/dev/null &
pid=$!
for _ in $(seq 100); do
  ls "$work"/tmp/menvolt-demo-*/Setup/German/Tools/Zent/i386/templates/tool0.sif >/dev/null 2>&1 && break
  sleep 0.1
done
ls "$work"/tmp/menvolt-demo-* >/dev/null 2>&1 || { echo "no demo folder made" >&2; kill "$pid"; exit 1; }
sleep 1
kill -TERM "$pid"
wait "$pid" || { echo "program failed after SIGTERM" >&2; exit 1; }
if ls -d "$work"/tmp/menvolt-demo-* >/dev/null 2>&1; then echo "demo folder left behind" >&2; exit 1; fi
# Bad options are refused.
if "$program" --bogus 2>/dev/null; then echo "accepted --bogus" >&2; exit 1; fi
echo ok
