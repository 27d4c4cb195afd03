#!/usr/bin/env bash
# Package smoke test: cpack, unpack into a scratch root, run from there.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/out" >/dev/null)
deb=$(ls "$scratch"/out/menvolt_*.deb)
# Read the control data once: piping dpkg-deb straight into `grep -q` lets
# grep quit early, and under pipefail the writer's SIGPIPE fails the check.
info=$(dpkg-deb --info "$deb")
grep -q 'Depends:.*libqt6widgets6' <<<"$info" || fail "no Qt dependency"
grep -q 'Depends:.*fonts-wine' <<<"$info" || fail "no font dependency"
grep -q 'Suggests:.*qemu-system-x86' <<<"$info" || fail "no QEMU suggestion"
grep -q 'Recommends:.*sbsigntool.*shim-signed' <<<"$info" || fail "the Secure Boot tools are not recommended"
dpkg-deb -x "$deb" "$scratch/root"
root="$scratch/root"
for f in usr/bin/menvolt usr/bin/menvolt-cli usr/share/applications/menvolt.desktop \
         usr/share/man/man1/menvolt.1 usr/share/man/man1/menvolt-cli.1; do
  [ -e "$root/$f" ] || fail "missing $f"
done
ls "$root"/usr/lib/menvolt/libmenvolt-image.so >/dev/null || fail "missing image library"
for f in chain.0 menvolt.efi $([ ! -e "$build/bin/menvolt-aa64.efi" ] || echo menvolt-aa64.efi); do
  [ -e "$root/usr/lib/menvolt/$f" ] || fail "missing network boot program $f"
done

# The installed programs run from their installed place, finding their
# library there (not in the build tree).
cd "$scratch"
"$root/usr/bin/menvolt-cli" new menu.ldr --item 1 a.img A "" >/dev/null
grep -q ': ok' <<<"$("$root/usr/bin/menvolt-cli" check menu.ldr)" || fail "installed CLI"
grep -q "$root/usr/lib/menvolt/libmenvolt-image.so" <<<"$(ldd "$root/usr/lib/menvolt/menvolt")" \
  || fail "installed program does not use its installed library"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$scratch}
timeout 60 "$root/usr/bin/menvolt" --demo --screenshot "$scratch/shot.png" 2>"$scratch/err" \
  || { cat "$scratch/err"; fail "installed program did not run"; }
[ -s "$scratch/shot.png" ] || fail "installed program showed no main window"
echo "package: installed and ran"
