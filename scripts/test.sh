#!/usr/bin/env bash
# Sets up a fresh machine, builds, and runs every test through ctest, then
# the command-line tests in the sanitizer build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
cd "$root/build"
ctest --output-on-failure -j"$(nproc)" "$@"
# The command-line tests once more under AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/, label sanitize).
"$root/scripts/sanitize.sh"
