#!/usr/bin/env bash
# menvolt-cli on a share: list, show, verify with planted faults, remove;
# which PCs items boot on, with images menvolt-image gives an EFI program.
set -euo pipefail
cli=$1 image=$2
dir=$(mktemp -d)
trap 'chmod -R u+w "$dir"; rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
share="$dir/share"
tools="$share/Setup/English/Tools/Zent/i386"
mkdir -p "$tools/templates" "$share/Setup/German" "$share/Setup/.hidden"

sif() {  # sif FILE DESCRIPTION LAUNCHFILE
  printf '[OSChooser]\r\nDescription = "%s"\r\nHelp = ""\r\nLaunchFile = "%s"\r\nVersion = "1.00"\r\nImageType=Flat\r\n\r\n' \
    "$2" "$3" > "$1"
}
server='Setup\English\Tools\Zent\i386\'
# A good submenu whose image exists.
"$cli" new "$tools/tool0.ldr" --server-path "$server" --item 1 dos.img DOS "" --item 2 "" Disk ""
head -c 1474560 /dev/zero > "$tools/dos.img"
sif "$tools/templates/tool0.sif" "Good menu" 'Setup\English\Tools\Zent\i386\tool0.ldr'
# Planted faults: a missing image, a bad checksum, a LaunchFile outside the
# share, an orphaned loader.
"$cli" new "$tools/tool1.ldr" --server-path "$server" --item 1 gone.img "" ""
sif "$tools/templates/tool1.sif" "Missing image" 'Setup\English\Tools\Zent\i386\tool1.ldr'
"$cli" new "$tools/tool2.ldr" --item 1 dos.img "" ""
printf '\x55' | dd of="$tools/tool2.ldr" bs=1 seek=$((0x0A3E)) conv=notrunc status=none
sif "$tools/templates/tool2.sif" "Bad checksum" 'Setup\English\Tools\Zent\i386\tool2.ldr'
"$cli" new "$dir/outside.ldr"
sif "$tools/templates/tool3.sif" "Outside" '..\..\..\..\..\..\outside.ldr'
"$cli" new "$tools/tool9.ldr"

out=$("$cli" --share "$share" list)
[ "$(grep -c . <<<"$out")" = 4 ] || fail "list shows $(grep -c . <<<"$out") rows"
grep -q 'English *tools *submenu *"Good menu"' <<<"$out" || fail "list: good entry"
grep -q 'unresolved *"Bad checksum"' <<<"$out" || fail "list: bad checksum is unresolved"
json=$("$cli" list --share "$share" --json --tab tools)
python3 -c 'import json,sys; rows=json.loads(sys.argv[1]); assert len(rows)==4 and rows[0]["kind"]=="submenu", rows' "$json" \
  || fail "list --json"

out=$("$cli" --share "$share" show 'Setup/English/Tools/Zent/i386/templates/tool0.sif')
grep -q 'item 2: *Disk  \[boot from hard drive\]' <<<"$out" || fail "show entry"

if out=$("$cli" --share "$share" verify); then fail "verify passed a share with faults"; fi
grep -q 'tool1.ldr: item 1: image file missing: gone.img' <<<"$out" || fail "verify: missing image"
grep -q 'tool2.ldr: loader refused: Bad data checksum in image file.' <<<"$out" || fail "verify: checksum"
grep -q 'tool3.sif: LaunchFile leads outside the share' <<<"$out" || fail "verify: outside"
grep -q 'tool9.ldr: orphaned loader' <<<"$out" || fail "verify: orphan"
grep -q '4 entries, 4 problems' <<<"$out" || fail "verify: count"
json=$("$cli" --share "$share" --json verify || true)
python3 -c 'import json,sys; r=json.loads(sys.argv[1]); assert r["ok"] is False and len(r["problems"])==4' "$json" \
  || fail "verify --json"

# Remove never reaches outside the share; removing the rest leaves a clean share.
"$cli" --share "$share" remove 'Setup\English\Tools\Zent\i386\templates\tool3.sif' 2>/dev/null
[ -f "$dir/outside.ldr" ] || fail "remove deleted a file outside the share"
for n in 1 2; do "$cli" --share "$share" remove "Setup\\English\\Tools\\Zent\\i386\\templates\\tool$n.sif" >/dev/null; done
rm "$tools/tool9.ldr"
"$cli" --share "$share" verify >/dev/null || fail "verify after clean-up"
# Changes left half-done: an edit whose disk fills after its first write
# says so and leaves its note, a create's is planted. verify reports them;
# --clean undoes the edit and removes the loader the create left named by no entry.
cp "$tools/tool0.ldr" "$tools/tool7.ldr" && : >"$tools/.menvolt-half-done.tool7.ldr.note"
out=$(MENVOLT_TEST_FAIL_WRITES=2-3 "$cli" --share "$share" edit 'Setup\English\Tools\Zent\i386\templates\tool0.sif' \
  --description Edited 2>&1) && fail "an edit that could not write its loader succeeded"
grep -q 'half-done: .*tool0.sif holds the new values' <<<"$out" && grep -q Edited "$tools/templates/tool0.sif" \
  || fail "half-done edit: $out"
out=$("$cli" --share "$share" verify) && fail "verify passed half-done changes"
grep -q 'tool0.sif: a half-done edit' <<<"$out" && grep -q 'tool7.ldr: a half-done create' <<<"$out" \
  || fail "verify: half-done changes: $out"
"$cli" --share "$share" verify --clean >/dev/null 2>&1 || fail "verify --clean left half-done changes"
grep -q 'Good menu' "$tools/templates/tool0.sif" && [ ! -e "$tools/tool7.ldr" ] || fail "verify --clean: not settled"
[ -z "$(find "$tools" -name '.menvolt-half-done.*')" ] || fail "verify --clean left its notes"
# ...or keeps the edit's new values when asked.
MENVOLT_TEST_FAIL_WRITES=2-3 "$cli" --share "$share" edit 'Setup\English\Tools\Zent\i386\templates\tool0.sif' \
  --description Kept >/dev/null 2>&1 && fail "an edit that could not write its loader succeeded"
"$cli" --share "$share" verify --clean --keep-edits >/dev/null 2>&1 || fail "verify --clean --keep-edits failed"
grep -q Kept "$tools/templates/tool0.sif" && [ -z "$(find "$tools" -name '.menvolt-half-done.*')" ] || fail "--keep-edits"
# A missing loader file is called that, never an image's problem.
sif "$tools/templates/tool5.sif" "No loader" 'Setup\English\Tools\Zent\i386\tool5.ldr'
out=$("$cli" --share "$share" verify) && fail "verify passed a missing loader"
grep -q 'tool5.ldr: the loader file is missing' <<<"$out" || fail "verify: missing loader: $out"
grep -q 'loader: *the loader file is missing' <<<"$("$cli" --share "$share" show 'Setup\English\Tools\Zent\i386\templates\tool5.sif')" \
  || fail "show: missing loader"
rm "$tools/templates/tool5.sif"
# A plain diskette that starts syslinux gets a note suggesting wrap; a note
# is no problem.
rm "$tools/dos.img"
mkfs.fat -C "$tools/dos.img" 1440 >/dev/null
syslinux --install "$tools/dos.img"
out=$("$cli" --share "$share" verify) || fail "a note made verify fail"
grep -q 'tool0.ldr: note: item 1: dos.img is a plain diskette that starts syslinux.*menvolt-image wrap dos.img' \
  <<<"$out" || fail "verify: syslinux note: $out"
[ ! -e "$tools/tool1.ldr" ] || fail "remove left the loader"
if "$cli" --share "$share" remove 'Setup\English\Tools\Zent\i386\templates\nothing.sif' 2>/dev/null; then
  fail "remove of an unknown entry succeeded"
fi
# One diskette for both kinds of PC: its syslinux boot sector and an EFI
# program where the firmware looks; an EFI program too large for a diskette
# gets an extended image, unless the capacity is given.
# An EFI application needs one section and its entry point inside the image; a
# 154-byte stub of headers and a console program are refused, and boot neither PC.
efi="$dir/test.efi"
python3 - "$efi" "$dir/big.efi" "$tools/stub.efi" "$tools/console.efi" "$dir/arm64.efi" <<'EOF_PY'
import struct, sys
def program(subsystem, machine=b"\x64\x86"):
    p = bytearray(1024); p[0:2] = b"MZ"; p[0x3C] = 0x40; p[0x40:0x48] = b"PE\0\0" + machine + b"\x01\x00"; p[0x54] = 0xF0
    p[0x58:0x5A] = b"\x0B\x02"; struct.pack_into("<I", p, 0x68, 0x1000); struct.pack_into("<I", p, 0x90, 0x2000)
    p[0x9C] = subsystem; p[0x148:0x14D] = b".text"; struct.pack_into("<4I", p, 0x150, 0x1000, 0x1000, 0x200, 0x200)
    return p
stub = bytearray(154); stub[0:2] = b"MZ"; stub[0x3C] = 0x40; stub[0x40:0x46] = b"PE\0\0\x64\x86"; stub[0x58:0x5A] = b"\x0B\x02"
for name, data in zip(sys.argv[1:], (program(10), program(10) + bytes(1500000), stub, program(3), program(10, b"\x64\xAA"))):
    open(name, "wb").write(data)
EOF_PY
for bad in "stub.efi:optional header is cut short" "console.efi:subsystem is 3, not an EFI application"; do
  for args in "create $dir/bad.img --efi" "add $tools/dos.img --efi"; do
    # shellcheck disable=SC2086
    if out=$("$image" $args "$tools/${bad%%:*}" 2>&1) || [ -e "$dir/bad.img" ]; then fail "$args took ${bad%%:*}"; fi
    grep -q "${bad%%:*} is not an EFI program for x86-64 or ARM64 PCs: .*${bad#*:}" <<<"$out" || fail "$args ${bad%%:*}: $out"
  done
done
"$image" add "$tools/dos.img" --efi "$efi"
if "$image" create "$tools/big.img" --efi "$dir/big.efi" --capacity 0 2>/dev/null; then fail "a 1.5 MB program fitted a diskette"; fi
"$image" create "$tools/big.img" --efi "$dir/big.efi"
"$image" create "$tools/plain.img"
# An ARM64 program goes where an ARM64 PC's firmware looks, beside an x86-64 one.
"$image" create "$tools/arm.img" --efi "$dir/arm64.efi" && "$image" add "$tools/arm.img" --efi "$efi"
[ "$("$image" list "$tools/arm.img" 'EFI\BOOT' | grep -c 'BOOTAA64.EFI\|BOOTX64.EFI')" = 2 ] || fail "arm.img: $("$image" list "$tools/arm.img" 'EFI\BOOT')"
# A CD with a BIOS and an EFI entry boots on UEFI only: the BIOS client serves every image as diskette A:.
mkdir "$dir/cd" && "$image" create "$dir/cd/efi.img" --efi "$efi" && head -c 2048 /dev/zero >"$dir/cd/bios.bin"
xorriso -as mkisofs -o "$tools/cd.iso" -b bios.bin -no-emul-boot -eltorito-alt-boot -e efi.img -no-emul-boot "$dir/cd" 2>/dev/null
# create and wrap write new files only: a text file, a CD, the --efi program itself and an image are kept.
echo notes >"$dir/notes.txt"
for args in "create $dir/notes.txt" "create $tools/cd.iso" "create $efi --efi $efi" "wrap $tools/dos.img $tools/plain.img"; do
  read -r verb file second _ <<<"$args"
  [ "$verb" = wrap ] && file=$second
  sum=$(sha256sum <"$file")
  # shellcheck disable=SC2086
  if out=$("$image" $args 2>&1); then fail "menvolt-image $args replaced a file"; fi
  grep -q "$file exists already.*--force" <<<"$out" && [ "$(sha256sum <"$file")" = "$sum" ] || fail "$args: $out"
done
"$image" create "$dir/notes.txt" --force && "$image" list "$dir/notes.txt" >/dev/null || fail "create --force"
"$cli" --share "$share" create --language English --description Both --item 1 big.img Big "" --item 2 plain.img Plain "" \
  --item 3 cd.iso CD "" --item 4 stub.efi Stub "" --item 5 console.efi Console "" --item 6 arm.img Arm "" >/dev/null
"$cli" --share "$share" create --language English --description "BIOS only" --image plain.img >/dev/null
cp "$efi" "$tools/tool2.efi"  # tool2.ldr is served to UEFI PCs
out=$("$cli" --share "$share" verify) || fail "verify of UEFI items: $out"
for line in 'tool0.ldr: item 1 (dos.img): boots on: BIOS and UEFI x86-64' 'tool0.ldr: item 2 (hard drive): boots on: BIOS, UEFI x86-64 and ARM64' \
            'tool1.ldr: item 1 (big.img): boots on: BIOS and UEFI x86-64' 'tool1.ldr: item 2 (plain.img): boots on: BIOS' 'tool1.ldr: item 3 (cd.iso): boots on: UEFI x86-64' \
            'tool1.ldr: item 4 (stub.efi): boots on: neither.*' 'tool1.ldr: item 5 (console.efi): boots on: neither.*' \
            'tool1.ldr: item 6 (arm.img): boots on: BIOS, UEFI x86-64 and ARM64' \
            'tool2.ldr: note: served to UEFI x86-64 PCs .*, but none of its items boots on UEFI x86-64'; do
  grep -qx ".*$line\( (UEFI program not signed for Secure Boot)\)\?" <<<"$out" || fail "verify: $line: $out"
done
[ "$(grep -c 'served to UEFI' <<<"$out")" = 1 ] || fail "verify: UEFI note for a loader not served to UEFI PCs"
grep -A3 'item 1: *Big' <<<"$("$cli" --share "$share" show 'Setup\English\Tools\Zent\i386\templates\tool1.sif')" \
  | grep -q 'boots on: BIOS and UEFI x86-64' || fail "show: boots on"
python3 -c 'import json,sys; r=json.loads(sys.argv[1]); assert [i["bootsOn"] for i in r[1]["items"]]==["BIOS and UEFI x86-64", "BIOS", "UEFI x86-64"] + ["neither (no boot code found)"] * 2 + ["BIOS, UEFI x86-64 and ARM64"], r' \
  "$("$cli" --share "$share" --json list)" || fail "list --json: bootsOn"
grep -q usage <<<"$("$cli" list --help)" || fail "list --help"
if "$cli" --share "$dir/none" list 2>/dev/null; then fail "a missing share folder was accepted"; fi
# A server path with a ".." folder: TFTP takes it as a name, a web server resolves it.
"$cli" new "$tools/tool1.ldr" --server-path 'Setup\English\..\English\Tools\Zent\i386\' --item 1 plain.img Plain "" >/dev/null
out=$("$cli" --share "$share" verify 2>&1) || true
grep -q 'tool1.ldr: note: item 1: a PC reading over HTTP cannot fetch .*i386\\plain.img: web servers resolve' <<<"$out" \
  || fail "verify: no note of an image name HTTP cannot carry: $out"
echo "cli share commands: all checks passed"
