#!/usr/bin/env bash
# Configures and builds everything into build/ (executables in build/bin/),
# with every warning an error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMENVOLT_WERROR=ON >/dev/null
cmake --build "$root/build" -j"$(nproc)"
