#!/usr/bin/env bash
# Sets up a fresh machine, builds, and opens the editor on a built-in demo share.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
exec "$root/scripts/demo.sh" "$@"
