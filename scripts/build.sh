#!/usr/bin/env bash
# Configures and builds everything into build/ (executables in build/bin/),
# with every warning an error. MENVOLT_UNITY_BUILD=ON compiles each target's
# sources as a few combined files (=OFF goes back to one object a file);
# unset, the tree keeps what it was configured with.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMENVOLT_WERROR=ON \
  ${MENVOLT_UNITY_BUILD:+-DCMAKE_UNITY_BUILD="$MENVOLT_UNITY_BUILD"} >/dev/null
cmake --build "$root/build" -j"$(nproc)"
