#!/usr/bin/env bash
# menvolt-cli end to end: new, show, check, template, and refusals.
set -euo pipefail
cli=$1
dir=$(mktemp -d)
trap 'chmod -R u+w "$dir"; rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cli" new "$dir/x.ldr"
[ "$(stat -c %s "$dir/x.ldr")" = 2786 ] || fail "new file is not 2786 bytes"
len=$(od -An -tu2 -j10 -N2 "$dir/x.ldr" | tr -d ' ')
[ "$len" = 2786 ] || fail "length word $len"
sum=$(od -An -tu1 -v "$dir/x.ldr" | tr -s ' ' '\n' | awk '{s+=$1} END {print s%256}')
[ "$sum" = 0 ] || fail "byte sum $sum"
grep -q ': ok' <<<"$("$cli" check "$dir/x.ldr")" || fail "check refused a new file"

"$cli" template "$dir/t.bin"
[ "$(stat -c %s "$dir/t.bin")" = 2706 ] || fail "template size"
[ "$(od -An -tx2 -j8 -N2 "$dir/t.bin" | tr -d ' ')" = 0a3a ] || fail "header offset word"

"$cli" new "$dir/m.ldr" --title "Tools" --server-path 'Setup\English\Tools\Zent\i386\' --colors 0x3E1C \
  --item 1 dos.img "DOS" "A DOS boot disk" --item 2 "" "Hard drive" ""
out=$("$cli" show "$dir/m.ldr")
grep -q 'items:        2' <<<"$out" || fail "show: item count"
grep -q '0x3E1C' <<<"$out" || fail "show: colours"
grep -q 'boot from hard drive' <<<"$out" || fail "show: hard-drive item"
"$cli" check "$dir/m.ldr" >/dev/null || fail "check refused a menu"
"$cli" new "$dir/d.ldr" --item 1 "" "Hard drive" "" --item 2 "" "Also" "" --default 2 --timeout 5
grep -q 'starts on:    item 2 after 5 s' <<<"$("$cli" show "$dir/d.ldr")" || fail "show: start item and timeout"
for bad in "--timeout 3601" "--timeout -1" "--default 0" "--default 3" "--item 4 x.img C c"; do
  # shellcheck disable=SC2086
  if "$cli" new "$dir/e.ldr" --item 1 "" "A" "" --item 2 "" "B" "" $bad 2>/dev/null; then fail "accepted $bad"; fi
done

# Refusals: bad checksum, template (no length word), truncated, oversized.
cp "$dir/m.ldr" "$dir/bad.ldr"
printf '\x01' | dd of="$dir/bad.ldr" bs=1 seek=$((0x0A3E)) conv=notrunc status=none
head -c 100 "$dir/m.ldr" > "$dir/short.ldr"
head -c 8193 /dev/zero > "$dir/big.ldr"
cp "$dir/bad.ldr" "$dir/bad.copy"
if "$cli" check "$dir/bad.ldr" "$dir/short.ldr" "$dir/big.ldr" "$dir/m.ldr" > "$dir/out"; then
  fail "check accepted broken files"
fi
grep -q 'bad.ldr: Bad data checksum in image file.' "$dir/out" || fail "checksum message"
grep -q 'short.ldr: Unrecognized image file format.' "$dir/out" || fail "short message"
grep -q 'big.ldr: Unrecognized image file format.' "$dir/out" || fail "oversize message"
grep -q 'm.ldr: ok' "$dir/out" || fail "good file among bad ones"
cmp -s "$dir/bad.ldr" "$dir/bad.copy" || fail "check changed a file"

chmod 0444 "$dir/m.ldr"
out=$("$cli" check "$dir/m.ldr" || true)
grep -q 'm.ldr: ok' <<<"$out" || fail "a read-only file is checked all the same"
if "$cli" new "$dir/m.ldr" 2>/dev/null; then fail "overwrote a read-only file"; fi
for bad in 0 9; do
  if "$cli" new "$dir/x.ldr" --item $bad a b c 2>/dev/null; then fail "item $bad accepted"; fi
done
if "$cli" new "$dir/x.ldr" --item 1 a b c --timeout 5 2>/dev/null; then fail "a countdown on a single item"; fi
echo "cli: all checks passed"
