#!/usr/bin/env bash
# The host tests once more under AddressSanitizer and UndefinedBehaviorSanitizer,
# in build-asan/: every unit test program (*_tests: the core, the image
# library, the editor's offscreen tests), the command-line tests, and host
# tests of the UEFI program's C code named efi_host_*. Only the programs
# these need are built, at -O1 with line tables only, which is what a report
# needs and compiles in far less time than the main build's -O2 -g, and as
# a unity build (each target's sources as a few combined files); test
# discovery waits for ctest, so building runs nothing.
# MENVOLT_SANITIZE_TESTS overrides which tests run (a ctest -R regex); the
# QEMU boots, the package and the fuzzers never do (those run under both
# sanitizers in build-fuzz/, scripts/fuzz.sh).
# menvolt-cli and menvolt-image run behind a small wrapper that keeps what
# they wrote to stderr, because a script may ignore their exit status and in
# a combined build the undefined-behaviour reports go to stderr only; the
# run fails on any report, and on any failed test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-asan"
tests=${MENVOLT_SANITIZE_TESTS:-'^(cli_|efi_host_|[a-z_]+\.)'}
programs="menvolt-cli menvolt-image"
for p in $programs; do  # a wrapper left from the last run would look up to date
  [ ! -f "$build/bin/$p.sanitized" ] || rm -f "$build/bin/$p" "$build/bin/$p.sanitized"
done
flags="-O1 -g1 -DNDEBUG"
cmake -S "$root" -B "$build" -G Ninja -DMENVOLT_SANITIZE=ON -DMENVOLT_BENCH=OFF -DMENVOLT_WERROR=ON \
  -DCMAKE_UNITY_BUILD=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS_RELWITHDEBINFO="$flags" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$flags" \
  -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST >/dev/null
# Test programs: every *_tests, the efi_host_* ones and the boot image
# corpus (one per processor).
# (menvolt.efi is what the Secure Boot commands sign, flip_exchange the race
# test's folder swapper; neither is a program under test.)
targets=$(ninja -C "$build" -t targets all |
  sed -n 's/^\([a-z0-9_]*\(_tests\|efi_host_[a-z0-9_]*\|boot_image_corpus_[a-z0-9]*\)\): phony$/\1/p' | sort -u)
# shellcheck disable=SC2086
cmake --build "$build" -j"$(nproc)" --target $programs menvolt_efi flip_exchange $targets
reports=$(mktemp -d)
trap 'rm -rf "$reports"' EXIT
for p in $programs; do
  mv "$build/bin/$p" "$build/bin/$p.sanitized"
  cat > "$build/bin/$p" <<WRAPPER
#!/usr/bin/env bash
err=\$(mktemp)
status=0
"$build/bin/$p.sanitized" "\$@" 2>"\$err" || status=\$?
cat "\$err" >&2
grep -E 'runtime error:|ERROR: (Address|Leak)Sanitizer' "\$err" >> "$reports/found" && cat "\$err" >> "$reports/details"
rm -f "\$err"
exit \$status
WRAPPER
  chmod +x "$build/bin/$p"
done
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
status=0
ctest --test-dir "$build" -R "$tests" -LE 'e2e|package|fuzz' -j"$(nproc)" --output-on-failure || status=$?
findings=$(cat "$reports/found" 2>/dev/null | wc -l)
echo "sanitizer run: $(ctest --test-dir "$build" -N -R "$tests" -LE 'e2e|package|fuzz' | tail -n 1), ctest exit $status, findings: $findings"
[ "$findings" = 0 ] || head -n 60 "$reports/details"
[ "$status" = 0 ] && [ "$findings" = 0 ]
