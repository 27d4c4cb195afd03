#!/usr/bin/env bash
# Builds one libFuzzer target with clang (address and undefined-behaviour
# sanitizers) in build-fuzz/ and runs it for a while from its seed corpus.
# Usage: scripts/fuzz.sh fuzz_loader|fuzz_sif|fuzz_efi_loader_check|fuzz_boot_image [SECONDS]
# Fails on any crash, leak or sanitizer report.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=$1
seconds=${2:-30}
# Boot images reach their CD paths only past 32 KB (the first volume
# descriptor); loader and OSChooser files are far smaller.
max_len=9000
[ "$target" = fuzz_boot_image ] && max_len=100000
build="$root/build-fuzz"
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DMENVOLT_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# Serialize builds when ctest runs both fuzz tests.
flock "$build.lock" cmake --build "$build" --target "$target" >/dev/null
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
cp "$root/tests/fuzz/seeds/$target"/* "$corpus"/
cd "$corpus"
"$build/bin/$target" -artifact_prefix="$build/" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -print_final_stats=1 \
  "$corpus" 2>&1 | tail -n 12
