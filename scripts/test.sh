#!/usr/bin/env bash
# Sets up a fresh machine, builds, and runs every test through ctest, then
# the command-line tests in the sanitizer build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
# The sanitizer build (build-asan/) needs nothing of the tests: it runs
# beside them at the lowest priority, on the core the QEMU boots, which run
# one at a time, leave idle.
asan_log=$(mktemp)
nice -n 19 "$root/scripts/sanitize.sh" --build-only >"$asan_log" 2>&1 &
asan=$!
status=0
(cd "$root/build" && ctest --output-on-failure -j"$(nproc)" "$@") || status=$?
if ! wait "$asan"; then
  cat "$asan_log"
  echo "the sanitizer build failed" >&2
  exit 1
fi
rm -f "$asan_log"
[ "$status" = 0 ] || exit "$status"
# The command-line tests once more under AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/, label sanitize).
"$root/scripts/sanitize.sh" --test-only
