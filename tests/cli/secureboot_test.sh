#!/usr/bin/env bash
# menvolt-cli secureboot: menvolt.efi as shim and the firmware want it, the
# site key, signing, the shim layout and its check; and the bad input each
# must refuse with a message naming the file, a non-zero exit and nothing
# half-written.
set -euo pipefail
cli=$1 efi=$2
dir=$(mktemp -d)
mounted=
cleanup() { [ -z "$mounted" ] || umount "$mounted" 2>/dev/null || true; rm -rf "$dir"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
sb() { "$cli" secureboot "$@" --keys "$dir/keys"; }
refused() {  # refused PATTERN ARGS...: exit 1 and PATTERN in what it said
  local pattern=$1 out; shift
  if out=$(sb "$@" 2>&1); then fail "secureboot $* succeeded"; fi
  grep -q -- "$pattern" <<<"$out" || fail "secureboot $*: $out"
}

# ---- menvolt.efi: .sbat with shim's format line and ours, nothing a
# signature would leave uncovered, NX-compatible.
objdump -h "$efi" | grep -q ' \.sbat ' || fail "no .sbat section"
objcopy -O binary --only-section=.sbat "$efi" "$dir/sbat.csv"
grep -q '^sbat,1,' "$dir/sbat.csv" && grep -q '^menvolt,[0-9]*,Menvolt,menvolt,' "$dir/sbat.csv" || fail "sbat: $(cat "$dir/sbat.csv")"
objdump -x "$efi" | grep -q 'DllCharacteristics.*0100' || fail "not NX-compatible"
objdump -t "$efi" 2>&1 | grep -q 'no symbols' || fail "a symbol table behind the sections"

# ---- The site key, never replaced unasked.
sb key --name "Test site" >/dev/null
[ "$(stat -c %a "$dir/keys/site.key")" = 600 ] || fail "the private key is readable by others"
first=$(md5sum "$dir/keys/site.key")
refused 'exists already.*--force' key
[ "$(md5sum "$dir/keys/site.key")" = "$first" ] || fail "the key was replaced without --force"

# ---- Signing: sbverify accepts it; a second signature only when asked.
cp "$efi" "$dir/menvolt.efi"
sb sign "$dir/menvolt.efi" >/dev/null
sbverify --cert "$dir/keys/site.crt" "$dir/menvolt.efi" 2>&1 | grep -q 'Signature verification OK' || fail "sbverify"
signed=$(md5sum <"$dir/menvolt.efi")
refused 'menvolt.efi is signed already; --again' sign "$dir/menvolt.efi"
[ "$(md5sum <"$dir/menvolt.efi")" = "$signed" ] || fail "a refused signing changed the file"
sb sign "$dir/menvolt.efi" --again >/dev/null
[ "$(sbverify --list "$dir/menvolt.efi" | grep -c '^signature')" = 2 ] || fail "--again did not add a signature"

# ---- Bad input: not PE, not a key, a certificate of another key.
printf 'MZ not really' >"$dir/stub.efi"
refused 'stub.efi cannot be signed: it is not a PE program' sign "$dir/stub.efi"
printf 'plain text' >"$dir/notes.txt"
refused 'notes.txt is neither an EFI program nor a boot image' sign "$dir/notes.txt"
cp -r "$dir/keys" "$dir/good"
echo "not a key" >"$dir/keys/site.key"
cp "$efi" "$dir/plain.efi"
refused 'site.key is not an unencrypted private key' sign "$dir/plain.efi"
openssl req -new -x509 -newkey rsa:2048 -nodes -subj /CN=other -keyout "$dir/keys/site.key" -out "$dir/other.crt" \
  2>/dev/null
refused 'site.crt is not the certificate of the key' sign "$dir/plain.efi"
cmp -s "$efi" "$dir/plain.efi" || fail "a refused signing changed the program"
rm -rf "$dir/keys" && mv "$dir/good" "$dir/keys"

# ---- A boot image: its \EFI\BOOT\BOOTX64.EFI is signed in the image.
mkfs.fat -C "$dir/disk.img" 1440 >/dev/null
mmd -i "$dir/disk.img" ::EFI ::EFI/BOOT && mcopy -i "$dir/disk.img" "$efi" ::EFI/BOOT/BOOTX64.EFI
sb sign "$dir/disk.img" >/dev/null
mcopy -i "$dir/disk.img" ::EFI/BOOT/BOOTX64.EFI "$dir/from-disk.efi"
sbverify --cert "$dir/keys/site.crt" "$dir/from-disk.efi" 2>&1 | grep -q 'Signature verification OK' || fail "image"

# ---- The shim layout, its check, and a GRUB never replaced unasked.
mkdir "$dir/tftp"
cp /usr/lib/shim/shimx64.efi.signed "$dir/tftp/grubx64.efi"   # stands for somebody's GRUB
refused 'grubx64.efi is not a menvolt.efi.*--force' shim "$dir/tftp" --program "$efi"
[ "$(ls "$dir/tftp")" = grubx64.efi ] || fail "a refused layout wrote: $(ls -a "$dir/tftp")"
sb shim "$dir/tftp" --program "$efi" --force >/dev/null
if out=$(sb check "$dir/tftp"); then fail "check passed without a loader file: $out"; fi
grep -q 'PROBLEM .*menvolt.ldr: missing' <<<"$out" || fail "check: $out"
"$cli" new "$dir/tftp/menvolt.ldr" --item 1 x.efi "X" "" >/dev/null
out=$(sb check "$dir/tftp") || fail "check of a complete layout: $out"
grep -q 'grubx64.efi: menvolt.efi, .sbat present, signed by /CN=Test site (the site key)' <<<"$out" || fail "$out"
cp "$efi" "$dir/tftp/menvolt.efi"   # for PCs without Secure Boot: no problem beside shim
out=$(sb check "$dir/tftp") || fail "an unsigned menvolt.efi beside shim: $out"
grep -q "menvolt.efi: .*not signed: a Secure Boot PC refuses it (Secure Boot PCs get shim's" <<<"$out" || fail "$out"
mkdir "$dir/db" && cp "$efi" "$dir/db/menvolt.efi"
if out=$(sb check "$dir/db"); then fail "an unsigned menvolt.efi without shim passed the check"; fi
grep -q 'PROBLEM .*menvolt.efi: menvolt.efi, .sbat present, not signed: a Secure Boot PC refuses it$' <<<"$out" || fail "$out"

# ---- "Boots on" says whether the UEFI program is signed, and verify notes
# an unsigned one in a folder served to Secure Boot PCs.
tools="$dir/share/Setup/English/Tools/Zent/i386"
mkdir -p "$tools/templates"
cp "$dir/plain.efi" "$tools/plain.efi" && cp "$dir/disk.img" "$tools/signed.img"
"$cli" new "$tools/tool0.ldr" --server-path 'Setup\English\Tools\Zent\i386\' --item 1 plain.efi "Plain" "" \
  --item 2 signed.img "Signed disk" "" >/dev/null
printf '[OSChooser]\r\nDescription = "SB"\r\nHelp = ""\r\nLaunchFile = "Setup\\English\\Tools\\Zent\\i386\\tool0.ldr"\r\nVersion = "1.00"\r\nImageType=Flat\r\n' \
  >"$tools/templates/tool0.sif"
out=$("$cli" --share "$dir/share" show 'Setup\English\Tools\Zent\i386\templates\tool0.sif')
grep -q 'boots on: UEFI x86-64 (UEFI program not signed for Secure Boot)' <<<"$out" || fail "show: $out"
grep -q 'boots on: .*UEFI x86-64 (UEFI program signed)' <<<"$out" || fail "show signed disk: $out"
! "$cli" --share "$dir/share" verify | grep -q 'served to Secure Boot PCs' || fail "a note without a signed menvolt.efi"
cp "$dir/menvolt.efi" "$tools/menvolt.efi"
out=$("$cli" --share "$dir/share" verify || true)
grep -q 'note: item 1 (plain.efi): its folder is served to Secure Boot PCs' <<<"$out" || fail "verify: $out"
! grep -q 'item 2 (signed.img): its folder' <<<"$out" || fail "verify notes a signed image: $out"

# ---- A VM store that trusts the key: the certificate lands once.
sb vm-vars "$dir/db.fd" >/dev/null
cmp -s "$dir/db.fd" /usr/share/OVMF/OVMF_VARS_4M.ms.fd && fail "vm-vars changed nothing"
refused 'the certificate is in db already' vm-vars "$dir/db2.fd" --from "$dir/db.fd"
[ ! -e "$dir/db2.fd" ] || fail "a refused vm-vars wrote its file"
refused 'is not a firmware variable store' vm-vars "$dir/x.fd" --from "$dir/notes.txt"

# ---- A full or read-only TFTP folder: the disk's words, nothing half-written.
if [ "$(id -u)" = 0 ] && mkdir "$dir/small" && mount -t tmpfs -o size=1200k tmpfs "$dir/small" 2>/dev/null; then
  mounted="$dir/small"
  refused 'No space left on device' shim "$dir/small" --program "$efi"
  [ -z "$(ls -A "$dir/small")" ] || fail "a layout half-written on a full disk: $(ls -A "$dir/small")"
  mount -o remount,ro "$dir/small"
  refused 'Read-only file system' shim "$dir/small" --program "$efi"
  umount "$dir/small" && mounted=
else
  echo "SKIP full and read-only folder: mounting a tmpfs needs root"
fi

# ---- Without Debian's tools the command says what to install.
# (Everything else stays: under the sanitizers the program is a shell wrapper.)
mkdir "$dir/bin"
for f in /usr/bin/* /bin/*; do
  case ${f##*/} in sbsign|sbverify) ;; *) [ -e "$dir/bin/${f##*/}" ] || ln -s "$f" "$dir/bin/${f##*/}" ;; esac
done
if out=$(PATH="$dir/bin" "$cli" secureboot sign "$dir/plain.efi" --keys "$dir/keys" 2>&1); then fail "sign without sbsign"; fi
grep -q 'sbsign is not installed here: install the Debian package sbsigntool' <<<"$out" || fail "no sbsign: $out"
echo "secureboot: all checks passed"
