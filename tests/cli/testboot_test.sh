#!/usr/bin/env bash
# menvolt-cli testboot: the client's first screen of an entry booted in QEMU.
set -euo pipefail
cli=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
share="$dir/share"
tools="$share/Setup/English/Tools/Zent/i386"
mkdir -p "$tools/templates"
"$cli" new "$tools/tool0.ldr" --title "Test boot menu" --server-path 'Setup\English\Tools\Zent\i386\' \
  --item 1 dos.img "DOS disk" "Boots a DOS disk" --item 2 "" "Hard drive" "" --item 3 x.img "Third" ""
printf '[OSChooser]\r\nDescription = "Tools"\r\nHelp = ""\r\nLaunchFile = "Setup\\English\\Tools\\Zent\\i386\\tool0.ldr"\r\nVersion = "1.00"\r\nImageType=Flat\r\n\r\n' \
  > "$tools/templates/tool0.sif"

out=$("$cli" --share "$share" testboot 'Setup\English\Tools\Zent\i386\templates\tool0.sif' 2>/dev/null) \
  || fail "testboot failed: $out"
row() { sed -n "$(($1 + 1))p" <<<"$out"; }
[ "$(row 0)" = "  Test boot menu" ] || fail "title row: '$(row 0)'"
[ "$(row 3)" = "    Use the arrow keys to select one of the following options:" ] || fail "row 3"
[ "$(row 5)" = "        DOS disk" ] || fail "row 5: '$(row 5)'"
[ "$(row 7)" = "        Third" ] || fail "row 7"
[ "$(row 18)" = "    Description:   Boots a DOS disk" ] || fail "row 18: '$(row 18)'"
[ "$(row 24)" = "  [ENTER] Continue" ] || fail "row 24"

json=$("$cli" --share "$share" --json testboot 'Setup\English\Tools\Zent\i386\templates\tool0.sif' 2>/dev/null)
python3 -c 'import json,sys; r=json.loads(sys.argv[1]); assert r["ok"] and r["screen"][6].strip()=="Hard drive", r' "$json" \
  || fail "testboot --json"

# A UEFI PC under OVMF starts menvolt.efi, which shows the same menu.
out=$("$cli" --share "$share" testboot --uefi 'Setup\English\Tools\Zent\i386\templates\tool0.sif' 2>/dev/null) \
  || fail "testboot --uefi failed: $out"
[ "$(row 0)" = "  Test boot menu" ] && [ "$(row 5)" = "        DOS disk" ] && [ "$(row 24)" = "  [ENTER] Continue" ] \
  || fail "UEFI screen: $out"

# With Secure Boot on, a PC that trusts the site key shows the same menu
# from menvolt.efi signed with it; without a key the command says how to
# make one.
if command -v sbsign >/dev/null; then
  sif='Setup\English\Tools\Zent\i386\templates\tool0.sif'
  if msg=$("$cli" --share "$share" testboot --secure-boot --keys "$dir/keys" "$sif" 2>&1); then
    fail "a Secure Boot test boot without a site key"
  fi
  grep -q 'holds none: make one with menvolt-cli secureboot key' <<<"$msg" || fail "no key: $msg"
  "$cli" secureboot key --keys "$dir/keys" >/dev/null
  out=$("$cli" --share "$share" testboot --secure-boot --keys "$dir/keys" "$sif" 2>"$dir/said") \
    || fail "testboot --secure-boot failed: $(cat "$dir/said")"
  [ "$(row 0)" = "  Test boot menu" ] && [ "$(row 5)" = "        DOS disk" ] || fail "Secure Boot screen: $out"
  grep -q 'trusting the site key /CN=Menvolt site key' "$dir/said" || fail "which key: $(cat "$dir/said")"
fi

# An ARM64 UEFI PC starts menvolt-aa64.efi, which shows the same menu.
if [ -e "$(dirname "$cli")/menvolt-aa64.efi" ]; then
  out=$("$cli" --share "$share" testboot --arm64 'Setup\English\Tools\Zent\i386\templates\tool0.sif' 2>/dev/null) \
    || fail "testboot --arm64 failed: $out"
  [ "$(row 0)" = "  Test boot menu" ] && [ "$(row 7)" = "        Third" ] || fail "ARM64 screen: $out"
fi

# Without QEMU on the path the command says what to install.
if msg=$(PATH=/nonexistent "$cli" --share "$share" testboot 'Setup\English\Tools\Zent\i386\templates\tool0.sif' 2>&1); then
  fail "testboot without QEMU succeeded"
else
  [ $? = 3 ] || fail "exit status without QEMU"
fi
grep -q 'qemu-system-x86 and ipxe-qemu' <<<"$msg" || fail "missing-QEMU message"
echo "testboot: all checks passed"
