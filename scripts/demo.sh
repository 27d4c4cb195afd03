#!/usr/bin/env bash
# Opens the editor on a demo share built in a fresh temporary folder (removed
# when the editor closes). Without the editor (a build without Qt), the
# command-line companion builds and describes a loader file instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build/bin"
if [ -x "$bin/menvolt" ]; then
  exec "$bin/menvolt" --demo "$@"
fi
out=$(mktemp -d)
"$bin/menvolt-cli" new "$out/tool0.ldr" --title "Demo tools" \
  --server-path 'Setup\English\Tools\Zent\i386\' \
  --item 1 dos.img "DOS boot disk" "Starts a DOS boot disk from a RAM disk." \
  --item 2 "" "Boot from hard drive" "Leaves the network boot and starts the installed system."
"$bin/menvolt-cli" show "$out/tool0.ldr"
"$bin/menvolt-cli" check "$out/tool0.ldr"
