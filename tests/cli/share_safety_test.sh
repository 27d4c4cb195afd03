#!/usr/bin/env bash
# The share and image files under hostile conditions: links out of the share,
# removal of files that are no loader, racing writers, a pipe, a damaged
# image, a full disk and a share this user may only read.
set -euo pipefail
cli=$1 image=$2
dir=$(mktemp -d)
mounted=
cleanup() {
  [ -z "$mounted" ] || umount "$mounted" 2>/dev/null || true
  chmod -R u+w "$dir" 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
share="$dir/share" outside="$dir/outside"
tools="$share/Setup/English/Tools/Zent/i386" images="$share/Setup/English/Images/Zent/i386"
mkdir -p "$tools/templates" "$images/templates" "$share/OSChooser/i386" "$outside"
sif() {  # sif FILE DESCRIPTION LAUNCHFILE
  printf '[OSChooser]\r\nDescription = "%s"\r\nHelp = ""\r\nLaunchFile = "%s"\r\nVersion = "1.00"\r\nImageType=Flat\r\n\r\n' \
    "$2" "$3" > "$1"
}
# Every file and folder outside the share, with its contents' hash.
outside_state() { (cd "$outside" && find . -printf '%p %y\n' | sort && find . -type f -exec sha256sum {} + | sort); }
run() { "$cli" --share "$share" "$@"; }

# ---- Links out of the share: a language folder, a templates folder and an
# entry folder lead outside. Nothing there may be listed as an entry,
# created, rewritten or removed, and no folder may appear there.
mkdir -p "$outside/lang/Tools/Zent/i386/templates" "$outside/templates" "$outside/i386"
"$cli" new "$outside/lang/Tools/Zent/i386/tool0.ldr" --item 1 a.img "" ""
sif "$outside/lang/Tools/Zent/i386/templates/tool0.sif" "Outside language" 'Setup\Linked\Tools\Zent\i386\tool0.ldr'
sif "$outside/templates/tool0.sif" "Outside templates" 'Setup\German\Tools\Zent\i386\tool0.ldr'
ln -s "$outside/lang" "$share/Setup/Linked"
mkdir -p "$share/Setup/German/Tools/Zent/i386"
ln -s "$outside/templates" "$share/Setup/German/Tools/Zent/i386/templates"
rm -r "$images" && ln -s "$outside/i386" "$images"
before=$(outside_state)
if out=$(run list 2>&1); then fail "list passed over folders it could not read"; fi
! grep -q 'Outside' <<<"$out" || fail "list shows an entry from outside the share: $out"
grep -q 'leads outside the share' <<<"$out" || fail "list does not say why a folder is left out: $out"
if out=$(run verify 2>&1); then fail "verify passed a share with folders leading outside"; fi
grep -q 'Setup.German.*leads outside the share' <<<"$out" || fail "verify: linked templates folder: $out"
for where in "--language Linked" "--language German" "--language English --tab images"; do
  # shellcheck disable=SC2086
  if run create $where --description X --image a.img --allow-missing-images >/dev/null 2>&1; then
    fail "create $where wrote through a link out of the share"
  fi
done
if run remove 'Setup\German\Tools\Zent\i386\templates\tool0.sif' >/dev/null 2>&1; then
  fail "remove reached through a link out of the share"
fi
if out=$(run edit 'Setup\English\Images\Zent\i386\templates\tool0.sif' --description Y 2>&1); then
  fail "edit reached through a link out of the share"
fi
grep -q 'the folder Setup.English.Images.Zent.i386 is not reachable (it is a link that leads outside' <<<"$out" ||
  fail "edit through a link out: $out"
[ "$(outside_state)" = "$before" ] || fail "files outside the share changed"
mv "$share/Setup" "$outside/Setup" && ln -s "$outside/Setup" "$share/Setup"
if out=$(run list 2>&1); then fail "list passed with Setup leading outside: $out"; fi
grep -q 'nothing listed: the folder Setup is not reachable' <<<"$out" || fail "list, Setup outside: $out"
rm "$share/Setup" && mv "$outside/Setup" "$share/Setup"
rm "$share/Setup/Linked" "$share/Setup/German/Tools/Zent/i386/templates" "$images"
mkdir -p "$images/templates"

# ---- Links inside the share are written through: the link stays a link and
# its target gets the change, for a loader file and for an image file.
"$cli" new "$tools/real.ldr" --server-path 'Setup\English\Tools\Zent\i386\' --item 1 dos.img "" ""
ln -s real.ldr "$tools/tool7.ldr"
sif "$tools/templates/tool7.sif" "Linked loader" 'Setup\English\Tools\Zent\i386\tool7.ldr'
"$image" create "$tools/real.img"
ln -s real.img "$tools/dos.img"
run edit 'Setup\English\Tools\Zent\i386\templates\tool7.sif' --item 1 dos.img "Changed" "" >/dev/null
[ -L "$tools/tool7.ldr" ] || fail "saving a linked loader replaced the link"
grep -q Changed "$tools/real.ldr" || fail "the linked loader's target did not get the change"
echo hello > "$dir/hello.txt"
"$image" add "$tools/dos.img" "$dir/hello.txt" >/dev/null
[ -L "$tools/dos.img" ] || fail "adding to a linked image replaced the link"
"$image" list "$tools/real.img" | grep -q HELLO.TXT || fail "the linked image's target did not get the file"

# ---- Remove deletes only the entry's own loader: not an image, not another
# entry's OSChooser file, not a file of another folder, not a loader another
# menu's entry names.
sif "$tools/templates/tool8.sif" "Names an image" 'Setup\English\Tools\Zent\i386\real.img'
sif "$tools/templates/tool9.sif" "Names a sif" 'Setup\English\Tools\Zent\i386\templates\tool7.sif'
echo rom > "$share/OSChooser/i386/startrom.com"
sif "$tools/templates/tool10.sif" "Names startrom" 'OSChooser\i386\startrom.com'
"$cli" new "$images/tool0.ldr" --item 1 a.img "" ""
sif "$images/templates/tool0.sif" "Images entry" 'Setup\English\Images\Zent\i386\tool0.ldr'
sif "$tools/templates/tool11.sif" "Borrows a loader" 'Setup\English\Images\Zent\i386\tool0.ldr'
for n in 8 9 10 11; do
  out=$(run remove "Setup\\English\\Tools\\Zent\\i386\\templates\\tool$n.sif" 2>&1) || fail "remove tool$n: $out"
  grep -q 'was kept' <<<"$out" || fail "remove tool$n does not say why the other file stays: $out"
done
for f in "$tools/real.img" "$tools/templates/tool7.sif" "$share/OSChooser/i386/startrom.com" "$images/tool0.ldr"; do
  [ -f "$f" ] || fail "remove deleted $f"
done
rm "$tools/templates/tool7.sif" "$tools/tool7.ldr" "$tools/real.ldr" "$tools/dos.img" "$tools/real.img"

# ---- Racing writers: creates at once never share a name, and every
# OSChooser file names the loader its own command wrote; image adds at once
# each keep their file.
racers=20
# Each racer keeps its own exit status beside its output, so a failure names
# the command that failed and how.
for i in $(seq 1 $racers); do
  ( status=0
    run create --language English --description "Race $i" --image "race$i.img" --allow-missing-images \
      >"$dir/create$i.out" 2>&1 || status=$?
    echo "$status" >"$dir/create$i.status" ) &
done
wait
failed=0
for i in $(seq 1 $racers); do
  status=$(cat "$dir/create$i.status")
  [ "$status" = 0 ] || { failed=$((failed + 1)); echo "racing create $i exited $status: $(cat "$dir/create$i.out")"; }
done
[ "$failed" = 0 ] || fail "$failed of $racers racing creates failed"
json=$(run --json list --language English --tab tools)
# shellcheck disable=SC2016
figures=$(python3 - "$json" "$racers" "$cli" "$share" <<'EOF'
import json, subprocess, sys
rows = [r for r in json.loads(sys.argv[1]) if r["description"].startswith("Race ")]
racers, cli, share = int(sys.argv[2]), sys.argv[3], sys.argv[4]
loaders = [r["loader"].lower() for r in rows]
sifs = [r["sif"].lower() for r in rows]
intact = 0
for r in rows:
    shown = json.loads(subprocess.check_output([cli, "--share", share, "--json", "show", r["sif"]]))
    number = r["description"].split()[1]
    if shown["kind"] == "single" and shown["items"][0]["image"] == "race%s.img" % number:
        intact += 1
print(len(rows), len(set(loaders)) == len(rows) and len(set(sifs)) == len(rows), intact)
EOF
)
read -r created unique intact <<<"$figures"
echo "racing creates: $racers commands, $created entries created, names unique: $unique, pairs intact: $intact"
[ "$created" = $racers ] && [ "$unique" = True ] && [ "$intact" = $racers ] || fail "racing creates: $figures"
[ -z "$(find "$tools" -name '.*' -type f)" ] || fail "racing creates left temporary files"
# Removes beside a command making and removing other entries: each entry is
# told by its own file, not its place in the list, so none is refused.
gone=$(for i in $(seq 1 10); do
  run --json create --language English --description "Gone $i" --image a.img --allow-missing-images; done)
( while [ ! -e "$dir/churned" ]; do
    made=$(run create --language English --description Churn --image a.img --allow-missing-images 2>/dev/null) || continue
    made=${made#created }; run remove "${made% -> *}" >/dev/null 2>&1 || true
  done ) & churn=$!
refused=0
for s in $(python3 -c 'import json, sys; print(" ".join(json.loads(l)["sif"] for l in sys.argv[1].split("\n")))' "$gone"); do
  run remove "$s" >/dev/null 2>"$dir/refused" || { refused=$((refused + 1)); cat "$dir/refused"; }
done
touch "$dir/churned" && wait "$churn"
[ "$refused" = 0 ] || fail "$refused of 10 removes beside other changes were refused"

"$image" create "$dir/race.img"
adders=10
for i in $(seq 1 $adders); do
  head -c $((1000 * i)) /dev/urandom > "$dir/f$i.bin"
  ( status=0
    "$image" add "$dir/race.img" "$dir/f$i.bin" >"$dir/add$i.out" 2>&1 || status=$?
    echo "$status" >"$dir/add$i.status" ) &
done
wait
failed=0
for i in $(seq 1 $adders); do [ "$(cat "$dir/add$i.status")" = 0 ] || failed=$((failed + 1)); done
kept=0
for i in $(seq 1 $adders); do
  if "$image" extract "$dir/race.img" "F$i.BIN" "$dir/back$i.bin" 2>/dev/null && cmp -s "$dir/f$i.bin" "$dir/back$i.bin"; then
    kept=$((kept + 1))
  fi
done
echo "racing image adds: $adders commands, $((adders - failed)) succeeded, $kept files intact"
[ "$kept" = $((adders - failed)) ] || fail "a racing image add reported success and lost its file"
[ "$failed" = 0 ] || fail "racing image adds failed: $(cat "$dir"/add*.out)"

# ---- A pipe is refused at once, never opened and waited on.
mkfifo "$dir/pipe.img" "$tools/templates/zpipe.sif"
for args in "add $dir/pipe.img $dir/hello.txt" "list $dir/pipe.img" "add $dir/race.img $dir/pipe.img"; do
  # shellcheck disable=SC2086
  if out=$(timeout 20 "$image" $args 2>&1); then fail "menvolt-image $args accepted a pipe"; fi
  grep -q 'Not a regular file' <<<"$out" || fail "menvolt-image $args: $out"
done
out=$(timeout 20 "$cli" --share "$share" verify 2>&1) && fail "verify passed a pipe in templates"
grep -q 'zpipe.sif: not listed: it cannot be opened: not a file' <<<"$out" || fail "verify: pipe: $out"
rm "$tools/templates/zpipe.sif"

# ---- A damaged image is never changed: a cross-link, then a loop.
"$image" create "$dir/sound.img"
head -c 3000 /dev/urandom > "$dir/a.bin"
head -c 1500 /dev/urandom > "$dir/b.bin"
"$image" add "$dir/sound.img" "$dir/a.bin" "$dir/b.bin" >/dev/null
damage() {  # damage IMAGE cross|loop: B's chain runs into A's, or A's last cluster back to its first
  python3 - "$@" <<'EOF'
import struct, sys
path, how = sys.argv[1], sys.argv[2]
data = bytearray(open(path, "rb").read())
reserved, fats, roots, spf = struct.unpack_from("<H", data, 14)[0], data[16], struct.unpack_from("<H", data, 17)[0], struct.unpack_from("<H", data, 22)[0]
fat, root = reserved * 512, (reserved + fats * spf) * 512
def get(c):
    v = struct.unpack_from("<H", data, fat + c + c // 2)[0]
    return v >> 4 if c & 1 else v & 0xFFF
def put(c, value):
    for f in range(fats):
        at = fat + f * spf * 512 + c + c // 2
        v = struct.unpack_from("<H", data, at)[0]
        v = (v & 0xF) | (value << 4) if c & 1 else (v & 0xF000) | value
        struct.pack_into("<H", data, at, v)
first = {bytes(data[root + i * 32: root + i * 32 + 11]).decode(): struct.unpack_from("<H", data, root + i * 32 + 26)[0]
         for i in range(roots) if data[root + i * 32] not in (0, 0xE5)}
a, b = first["A       BIN"], first["B       BIN"]
if how == "cross":
    put(b, get(a))  # B's second cluster is now A's second cluster
else:
    last = a
    while get(last) < 0xFF8: last = get(last)
    put(last, a)
open(path, "wb").write(data)
EOF
}
for how in cross loop; do
  cp "$dir/sound.img" "$dir/$how.img"
  damage "$dir/$how.img" $how
  sum=$(sha256sum < "$dir/$how.img")
  if out=$("$image" add "$dir/$how.img" "$dir/hello.txt" 2>&1); then fail "add changed a $how image"; fi
  grep -q 'damaged' <<<"$out" || fail "add on a $how image: $out"
  [ "$(sha256sum < "$dir/$how.img")" = "$sum" ] || fail "the $how image changed"
done
# Reading what is intact still works on the damaged ones.
"$image" extract "$dir/cross.img" A.BIN "$dir/a.back" && cmp -s "$dir/a.bin" "$dir/a.back" \
  && "$image" extract "$dir/loop.img" B.BIN "$dir/b.back" && cmp -s "$dir/b.bin" "$dir/b.back" \
  || fail "extract an intact file from a damaged image"

# ---- A full disk: the create fails with the disk's own words and leaves no
# loader behind. Needs a small file system of its own.
if [ "$(id -u)" = 0 ] && mkdir "$dir/small" && mount -t tmpfs -o size=64k tmpfs "$dir/small" 2>/dev/null; then
  mounted="$dir/small"
  mkdir -p "$dir/small/Setup/English/Tools/Zent/i386/templates"
  head -c 1M /dev/zero > "$dir/small/filler" 2>/dev/null || true
  # Free exactly one 4 KB block: room for the loader, none for its OSChooser file.
  truncate -s $(( $(stat -c %s "$dir/small/filler") - 4096 )) "$dir/small/filler"
  if out=$("$cli" --share "$dir/small" create --language English --description Full --image a.img \
      --allow-missing-images 2>&1); then fail "create on a full disk succeeded"; fi
  grep -q 'There is not enough space on the disk.' <<<"$out" || fail "full disk message: $out"
  left=$(find "$dir/small/Setup" -type f | wc -l)
  [ "$left" = 0 ] || fail "a failed create left $left files: $(find "$dir/small/Setup" -type f)"
  umount "$dir/small" && mounted=
else
  echo "SKIP full disk: mounting a small tmpfs needs root and a system that allows it"
fi

# ---- Read-only is not empty: a read-only OSChooser file is listed, marked
# and refused for changes; as a user who may only read the share, every
# entry is listed and verify reports what it cannot open.
"$cli" new "$tools/tool20.ldr" --server-path 'Setup\English\Tools\Zent\i386\' --item 1 "" Disk ""
sif "$tools/templates/tool20.sif" "Read only" 'Setup\English\Tools\Zent\i386\tool20.ldr'
chmod a-w "$tools/templates/tool20.sif"
out=$(run list)
grep -q '"Read only".*(read-only)' <<<"$out" || fail "a read-only OSChooser file is not listed as read-only: $out"
if out=$(run edit 'Setup\English\Tools\Zent\i386\templates\tool20.sif' --description Y 2>&1); then fail "edit of a read-only entry"; fi
grep -q 'File write protected.' <<<"$out" || fail "edit read-only: $out"
! run verify 2>&1 | grep -q 'tool20.ldr: orphaned' || fail "the loader of a read-only entry is called orphaned"
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  count=$(run list | grep -c .)
  chmod -R a+rX,go-w "$dir" && chmod 0600 "$tools/templates/tool1.sif" 2>/dev/null || true
  [ -f "$tools/templates/tool1.sif" ] || fail "racing create left no tool1.sif"
  as_user() { setpriv --reuid=65534 --regid=65534 --clear-groups "$cli" --share "$share" "$@"; }
  out=$(as_user list 2>&1)
  [ "$(grep -c '(read-only)' <<<"$out")" = $((count - 1)) ] || fail "as a reader, list shows: $out"
  if out=$(as_user verify 2>&1); then fail "verify passed with a file it could not open"; fi
  grep -q "tool1.sif: not listed: it cannot be opened: access denied" <<<"$out" || fail "verify as a reader: $out"
  grep -q "^$((count - 1)) entries" <<<"$out" || fail "verify as a reader counts: $out"
else
  echo "SKIP unprivileged reader: needs root and setpriv"
fi
# ---- A link to an OSChooser file, symbolic or hard, is removed as a link and
# takes no loader with it; links inside the share keep working when absolute too.
t="$tools/templates"
"$cli" new "$tools/tool30.ldr" --server-path 'Setup\English\Tools\Zent\i386\' --item 1 a.img "" ""
sif "$t/tool30.sif" "Aliased" 'Setup\English\Tools\Zent\i386\tool30.ldr'
ln -s tool30.sif "$t/alias.sif" && ln -s "$t/tool30.sif" "$t/alias2.sif" && ln "$t/tool30.sif" "$t/alias3.sif"
for a in alias alias2 alias3; do
  out=$(run remove "Setup\\English\\Tools\\Zent\\i386\\templates\\$a.sif" 2>&1) || fail "remove $a.sif: $out"
  [ ! -e "$t/$a.sif" ] && [ -f "$t/tool30.sif" ] && [ -f "$tools/tool30.ldr" ] || fail "remove $a.sif took the real entry: $out"
done

# ---- Whole or not at all: a read-only entry folder or a loader another
# program holds leaves both files as they were, with a message and exit 1.
sum() { sha256sum "$t/tool30.sif" "$tools/tool30.ldr"; }
before=$(sum)
chmod a-w "$tools"
for cmd in "edit Setup\\English\\Tools\\Zent\\i386\\templates\\tool30.sif --description Half" \
           "remove Setup\\English\\Tools\\Zent\\i386\\templates\\tool30.sif"; do
  # shellcheck disable=SC2086
  if out=$(run $cmd 2>&1); then fail "$cmd in a read-only folder succeeded"; fi
  grep -q "Nothing was.*tool30.ldr (on this computer $tools/tool30.ldr) cannot be written: the folder it is in is write-protected" <<<"$out" || fail "$cmd read-only folder: $out"
  [ "$(sum)" = "$before" ] || fail "$cmd in a read-only folder changed a file"
done
chmod u+w "$tools"
python3 -c 'import fcntl, sys, time; f = open(sys.argv[1], "rb+"); fcntl.lockf(f, fcntl.LOCK_EX)
open(sys.argv[2], "w").close(); time.sleep(30)' "$tools/tool30.ldr" "$dir/locked" >/dev/null 2>&1 & locker=$!
while [ ! -e "$dir/locked" ]; do sleep 0.05; done
if out=$(run remove 'Setup\English\Tools\Zent\i386\templates\tool30.sif' 2>&1); then fail "remove of a locked loader succeeded"; fi
kill "$locker"
grep -q "Nothing was removed: .*tool30.ldr (on this computer .*) cannot be written: another program is using the file" <<<"$out" || fail "locked loader: $out"
python3 -c 'import fcntl, sys, time; f = open(sys.argv[1], "rb+"); fcntl.lockf(f, fcntl.LOCK_EX)
open(sys.argv[2], "w").close(); time.sleep(30)' "$tools/templates/tool30.sif" "$dir/held" >/dev/null 2>&1 & locker=$!
while [ ! -e "$dir/held" ]; do sleep 0.05; done
if out=$(run edit 'Setup\English\Tools\Zent\i386\templates\tool30.sif' --description Y 2>&1); then
  fail "edit of a held entry succeeded"
fi
# Its loader is not called orphaned outright: the held file may name it.
verified=$(run verify 2>&1 || true)
kill "$locker"
grep -q "tool30.sif is busy: another command holds it" <<<"$out" || fail "held entry: $out"
grep -q "tool30.ldr: orphaned loader: no entry names it of those that could be read" <<<"$verified" ||
  fail "verify beside a held entry: $verified"
[ "$(sum)" = "$before" ] || fail "remove beside a locked loader changed a file"
# ---- Images have one writer: create over an image that holds files needs
# --force, wrap never writes over its input, and a create racing an add
# waits its turn instead of being undone.
"$image" create "$dir/held.img" && "$image" add "$dir/held.img" "$dir/hello.txt" >/dev/null
sum=$(sha256sum < "$dir/held.img")
for args in "create $dir/held.img" "wrap $dir/held.img $dir/held.img"; do
  # shellcheck disable=SC2086
  if out=$("$image" $args 2>&1); then fail "menvolt-image $args replaced an image"; fi
  [ "$(sha256sum < "$dir/held.img")" = "$sum" ] || fail "menvolt-image $args changed the image: $out"
done
undone=0
for i in $(seq 1 20); do
  "$image" add "$dir/held.img" "$dir/hello.txt" >/dev/null 2>&1 || true
  "$image" create "$dir/held.img" --force & c=$!
  "$image" add "$dir/held.img" "$dir/f1.bin" >/dev/null 2>&1 || true
  if wait $c && "$image" list "$dir/held.img" | grep -q HELLO.TXT; then undone=$((undone + 1)); fi
done
echo "create racing add: 20 rounds, $undone creates undone"
[ "$undone" = 0 ] || fail "a create racing an add was undone"
# An image with a second name is changed only with --force: the new image
# would take one name and the other would keep the old one.
ln "$dir/held.img" "$dir/held2.img" && sum=$(sha256sum < "$dir/held.img")
if out=$("$image" add "$dir/held2.img" "$dir/f1.bin" 2>&1); then fail "add changed an image of two names"; fi
grep -q 'held2.img has 2 names (hard links).*(--force writes it under this name)' <<<"$out" || fail "two names: $out"
[ "$(sha256sum < "$dir/held.img")" = "$sum" ] || fail "a refused add changed the image"
"$image" mkdir "$dir/held2.img" NEW --force && "$image" list "$dir/held2.img" | grep -q NEW || fail "mkdir --force"
rm "$dir/held2.img"

# ---- Damage that fsck.fat reports is never written through: bad bytes in a
# name, a broken "..", a size the chain does not hold, an implausible
# reserved area. Intact files can still be read.
"$image" create "$dir/fine.img" && "$image" mkdir "$dir/fine.img" SUB
"$image" add "$dir/fine.img" "$dir/a.bin" "$dir/b.bin" >/dev/null
for how in name dotdot size reserved; do
  python3 - "$dir/fine.img" "$dir/$how.img" $how <<'EOF_PY'
import struct, sys
src, dst, how = sys.argv[1:]
d = bytearray(open(src, "rb").read())
res, fats, spf = struct.unpack_from("<H", d, 14)[0], d[16], struct.unpack_from("<H", d, 22)[0]
root = (res + fats * spf) * 512
ent = {bytes(d[root + i * 32: root + i * 32 + 11]): root + i * 32 for i in range(224) if d[root + i * 32] not in (0, 0xE5)}
if how == "name": d[ent[b"A       BIN"] + 1] = 0x01
if how == "size": struct.pack_into("<I", d, ent[b"A       BIN"] + 28, 9000)
if how == "reserved": d[14:16] = struct.pack("<H", 200); d = d[:512] + bytes(199 * 512) + d[512:1474560 - 199 * 512]
if how == "dotdot":
    sub = struct.unpack_from("<H", d, ent[b"SUB        "] + 26)[0]
    struct.pack_into("<H", d, (res + fats * spf) * 512 + 224 * 32 + (sub - 2) * 512 + 32 + 26, 7)
open(dst, "wb").write(d)
EOF_PY
  sum=$(sha256sum < "$dir/$how.img")
  if out=$("$image" add "$dir/$how.img" "$dir/hello.txt" 2>&1); then fail "add wrote through damage: $how"; fi
  grep -q damaged <<<"$out" && [ "$(sha256sum < "$dir/$how.img")" = "$sum" ] || fail "add on damage $how: $out"
  [ $how = reserved ] || { "$image" extract "$dir/$how.img" B.BIN "$dir/b.back" && cmp -s "$dir/b.bin" "$dir/b.back"; } \
    || fail "extract from an image with damage $how"
done

# ---- Every failure said truly: a Setup folder linked outside, a file that
# is neither loader nor OSChooser file, a pipe, a folder, a wrong length
# word, a create into a share made read-only.
mkdir -p "$dir/linked" && ln -s "$outside" "$dir/linked/Setup"
printf 'no loader' > "$dir/junk.ldr" && mkfifo "$dir/pipe2"
"$cli" new "$tools/tool31.ldr" --server-path 'Setup\English\Tools\Zent\i386\' --item 1 "" Disk ""
sif "$tools/templates/tool31.sif" "Length" 'Setup\English\Tools\Zent\i386\tool31.ldr'
python3 -c 'import sys; d = bytearray(open(sys.argv[1], "rb").read()); d[10] += 1; d[11] -= 1; open(sys.argv[1], "wb").write(d)' "$tools/tool31.ldr"
while IFS='|' read -r expect args; do
  # shellcheck disable=SC2086
  if out=$(timeout 20 "$cli" $args 2>&1); then fail "$args succeeded: $out"; fi
  grep -q -- "$expect" <<<"$out" || fail "$args: $out"
done <<EOF_CASES
Setup: the folder leads outside the share|--share $dir/linked verify
not a loader file (no loader signature) and not an OSChooser file|show $dir/junk.ldr
folder, pipe or device|show $dir/pipe2
folder, pipe or device|check $dir
tool31.ldr: length word [0-9]* differs from the file size|--share $share verify
EOF_CASES
rm "$tools/templates/tool31.sif" "$tools/tool31.ldr"
chmod -R a-w "$share"
count=$(find "$share" | wc -l)
if out=$(run create --language English --description RO --image a.img --allow-missing-images 2>&1); then fail "create in a read-only share"; fi
grep -q "Nothing was created: .*write-protected" <<<"$out" && [ "$(find "$share" | wc -l)" = "$count" ] || fail "read-only create: $out"
chmod -R u+w "$share"

# ---- Read-only commands change nothing; stale temporary files are listed
# by verify and removed by verify --clean, fresh ones are left alone.
mkdir -p "$dir/bare/Setup/English"
run_bare() { "$cli" --share "$dir/bare" "$@"; }
run_bare list >/dev/null 2>&1 || true; run_bare verify >/dev/null 2>&1 || true
[ "$(find "$dir/bare" | wc -l)" = 3 ] || fail "list or verify made folders: $(find "$dir/bare")"
touch -d '-11 minutes' "$tools/.menvolt-temp.tool0.ldr.AbC123" && touch "$tools/templates/.menvolt-temp.x.sif.fresh1"
out=$(run verify 2>&1) || true
grep -q 'menvolt-temp.tool0.ldr.AbC123: temporary file left' <<<"$out" && ! grep -q fresh1 <<<"$out" || fail "verify stale: $out"
run verify --clean >/dev/null 2>&1 || true
[ ! -e "$tools/.menvolt-temp.tool0.ldr.AbC123" ] && [ -e "$tools/templates/.menvolt-temp.x.sif.fresh1" ] || fail "verify --clean"
rm "$tools/templates/.menvolt-temp.x.sif.fresh1"
echo "cli share safety: all checks passed"
