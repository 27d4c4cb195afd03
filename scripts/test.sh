#!/usr/bin/env bash
# Sets up a fresh machine, builds, and runs every test through ctest, then
# the command-line tests in the sanitizer build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
# A CI machine builds once from nothing: as a unity build that takes half
# the time. A developer's tree keeps one object a file for quick rebuilds;
# the sanitizer tree below is a unity build of most targets, so two files
# of a target clashing in their names are mostly found before CI.
if [ -n "${CI:-}" ]; then export MENVOLT_UNITY_BUILD=ON; fi
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
cd "$root/build"
ctest --output-on-failure -j"$(nproc)" "$@"
# The command-line tests once more under AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/, label sanitize).
"$root/scripts/sanitize.sh"
