#!/usr/bin/env bash
# The command-line tests once more, on menvolt-cli and menvolt-image built
# with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ (only
# those two programs and what they link), ctest label `sanitize`. Each
# program runs behind a small wrapper that keeps what it wrote to stderr,
# because in a combined build the undefined-behaviour reports go to stderr
# only; the run fails on any report, and on any failed test. The fuzzers
# already run under both sanitizers in build-fuzz/ (scripts/fuzz.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-asan"
programs="menvolt-cli menvolt-image"
for p in $programs; do  # a wrapper left from the last run would look up to date
  [ ! -f "$build/bin/$p.sanitized" ] || rm -f "$build/bin/$p" "$build/bin/$p.sanitized"
done
cmake -S "$root" -B "$build" -G Ninja -DMENVOLT_SANITIZE=ON -DMENVOLT_BENCH=OFF -DMENVOLT_WERROR=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# shellcheck disable=SC2086
# (menvolt.efi is what the Secure Boot commands sign, flip_exchange the race
# test's folder swapper; neither is a program under test.)
cmake --build "$build" -j"$(nproc)" --target $programs menvolt_efi flip_exchange
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
status=0
ctest --test-dir "$build" -L sanitize --output-on-failure || status=$?
findings=$(cat "$reports/found" 2>/dev/null | wc -l)
echo "sanitizer run: $(ctest --test-dir "$build" -N -L sanitize | tail -n 1), ctest exit $status, findings: $findings"
[ "$findings" = 0 ] || head -n 60 "$reports/details"
[ "$status" = 0 ] && [ "$findings" = 0 ]
