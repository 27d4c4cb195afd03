#!/usr/bin/env bash
# menvolt-cli create, list, edit, verify, remove: the files are exactly those
# the wizard and the property sheet write.
set -euo pipefail
cli=$1
dir=$(mktemp -d)
trap 'chmod -R u+w "$dir"; rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
share="$dir/share"
tools="$share/Setup/English/Tools/Zent/i386"
mkdir -p "$share/Setup/English"
run() { "$cli" --share "$share" "$@"; }
server='Setup\English\Tools\Zent\i386\'
crlf() { printf '%s\r\n' "$@"; }

# Refusals before anything is written.
if run create --language English --description "" --image a.img 2>/dev/null; then fail "empty description"; fi
if run create --language Nowhere --description D --image a.img 2>/dev/null; then fail "unknown language"; fi
if run create --language English --description D --image 'sub\a.img' 2>"$dir/err"; then fail "path as image name"; fi
grep -q 'Invalid path.' "$dir/err" || fail "bad name message"
if run create --language English --description D --image missing.img 2>"$dir/err"; then fail "missing image"; fi
grep -q 'does not exist' "$dir/err" || fail "missing image message"
[ -z "$(find "$share" -type f)" ] || fail "a refused create wrote files"

# A single entry: loader then OSChooser file, as the wizard's Finish.
mkdir -p "$tools"
head -c 1474560 /dev/zero > "$tools/dos.img"
out=$(run create --language English --description "DOS boot disk" --help-text "Starts DOS" --image dos.img)
grep -q 'created Setup\\English\\Tools\\Zent\\i386\\templates\\tool0.sif' <<<"$out" || fail "create output: $out"
"$cli" new "$dir/expected.ldr" --server-path "$server" --item 1 dos.img "" ""
cmp -s "$dir/expected.ldr" "$tools/tool0.ldr" || fail "single entry loader differs from the documents' own"
{ crlf '[OSChooser]' 'Description = "DOS boot disk"' 'Help = "Starts DOS"' \
       'LaunchFile = "Setup\English\Tools\Zent\i386\tool0.ldr"' 'Version = "1.00"' 'ImageType=Flat' ''; } > "$dir/expected.sif"
cmp -s "$dir/expected.sif" "$tools/templates/tool0.sif" || fail "OSChooser file differs"

# A submenu gets the next name.
run create --language English --tab tools --description "Tools" --banner "Maintenance" --colors 0x3E1C \
  --item 1 dos.img "DOS" "Line one" --item 2 "" "Hard drive" "" --allow-missing-images >/dev/null
"$cli" new "$dir/expected1.ldr" --server-path "$server" --title "Maintenance" --colors 0x3E1C \
  --item 1 dos.img "DOS" "Line one" --item 2 "" "Hard drive" ""
cmp -s "$dir/expected1.ldr" "$tools/tool1.ldr" || fail "submenu loader differs"
[ -f "$tools/templates/tool1.sif" ] || fail "second entry name"
grep -q 'submenu *"Tools"' <<<"$(run list)" || fail "list after create"

# Edit: OSChooser file, then loader; LaunchFile and Version stay.
run edit 'Setup\English\Tools\Zent\i386\templates\tool1.sif' --description "Tools, edited" \
  --remove-item 2 --item 2 dos.img "Third" "" --default 2 --timeout 5 >/dev/null
grep -q 'Description = "Tools, edited"' "$tools/templates/tool1.sif" || fail "edited description"
grep -q 'LaunchFile = "Setup\\English\\Tools\\Zent\\i386\\tool1.ldr"' "$tools/templates/tool1.sif" || fail "LaunchFile kept"
json=$(run --json show 'Setup\English\Tools\Zent\i386\templates\tool1.sif')
python3 -c 'import json,sys; r=json.loads(sys.argv[1]); d=[i["description"] for i in r["items"]]; assert d==["DOS","Third"] and r["defaultItem"]==2 and r["timeout"]==5, r' "$json" \
  || fail "edited items"
"$cli" check "$tools/tool1.ldr" >/dev/null || fail "edited loader fails its checks"
if run edit 'Setup\English\Tools\Zent\i386\templates\tool1.sif' --item 9 a b c 2>/dev/null; then fail "item 9"; fi
for bad in "--default 3" "--default 0" "--timeout 3601"; do
  # shellcheck disable=SC2086
  status=0; run edit 'Setup\English\Tools\Zent\i386\templates\tool1.sif' $bad 2>/dev/null || status=$?
  [ "$status" = 2 ] || fail "edit $bad: exit $status, not a usage error"
done
status=0; run edit 'Setup\English\Tools\Zent\i386\templates\tool0.sif' --timeout 5 2>"$dir/err" || status=$?
[ "$status" = 2 ] && grep -q 'single item' "$dir/err" || fail "--timeout on a single entry: exit $status"
# Removing the start item turns the countdown off, and says so.
out=$(run edit 'Setup\English\Tools\Zent\i386\templates\tool1.sif' --remove-item 2)
grep -q 'countdown is now off' <<<"$out" || fail "start item removed silently: $out"
grep -q 'starts on: *item 1, waits for a key' <<<"$(run show 'Setup\English\Tools\Zent\i386\templates\tool1.sif')" \
  || fail "countdown left on after its item went"

# A loader that cannot be read is never written; the OSChooser file still is.
cp "$tools/tool0.ldr" "$dir/tool0.copy"
printf '\x42' | dd of="$tools/tool0.ldr" bs=1 seek=$((0x0A3E)) conv=notrunc status=none
cp "$tools/tool0.ldr" "$dir/tool0.bad"
if run edit 'Setup\English\Tools\Zent\i386\templates\tool0.sif' --banner "x" 2>/dev/null; then fail "edited a bad loader"; fi
run edit 'Setup\English\Tools\Zent\i386\templates\tool0.sif' --description "Renamed" >/dev/null 2>&1 || true
cmp -s "$tools/tool0.ldr" "$dir/tool0.bad" || fail "a bad loader was written over"
grep -q 'Description = "Renamed"' "$tools/templates/tool0.sif" || fail "OSChooser file of a bad entry not written"
cp "$dir/tool0.copy" "$tools/tool0.ldr"

run verify >/dev/null || fail "verify after round trip"
run remove 'Setup\English\Tools\Zent\i386\templates\tool0.sif' >/dev/null
run remove 'Setup\English\Tools\Zent\i386\templates\tool1.sif' >/dev/null
[ -z "$(find "$tools" -name '*.ldr' -o -name '*.sif')" ] || fail "remove left files"
echo "cli entry round trip: all checks passed"
