#!/usr/bin/env bash
# Serves a share the way docs/serving.md says and fetches from it as a client
# would. Runs inside the private network namespace of tests/e2e/tap_namespace.sh.
set -euo pipefail
bin=$1
src=$2
fail() { echo "FAIL: $*"; exit 1; }

dir=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$dir"; }
trap cleanup EXIT
share="$dir/reminst"
tools="$share/Setup/English/Tools/Zent/i386"
mkdir -p "$tools/templates"
"$bin/menvolt-cli" new "$tools/tool0.ldr" --title "Served menu" --server-path 'Setup\English\Tools\Zent\i386\' \
  --item 0 dos.img "DOS disk" "" --item 1 "" "Hard drive" ""
head -c 70000 /dev/urandom > "$tools/dos.img"

fetch() {  # fetch NAME -> file in $dir/got; a server just started may not listen yet
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    curl -s --max-time 10 -o "$dir/got" "tftp://127.0.0.1/$1" && return 0
    sleep 0.5
  done
  return 1
}

# --- tftpd-hpa with the backslash remap rule -------------------------------
printf 'rg \\\\ /\n' > "$dir/tftpd.remap"
grep -qF 'rg \\ /' "$src/docs/serving.md" || fail "the guide no longer gives the remap rule tested here"
/usr/sbin/in.tftpd -L -s -m "$dir/tftpd.remap" "$share" >/dev/null 2>&1 &
pids+=($!)
sleep 0.5
fetch 'Setup\English\Tools\Zent\i386\dos.img' || fail "tftpd-hpa: backslash name not served"
cmp -s "$dir/got" "$tools/dos.img" || fail "tftpd-hpa: wrong bytes"
fetch 'Setup\English\Tools\Zent\i386\tool0.ldr' || fail "tftpd-hpa: loader not served"
cmp -s "$dir/got" "$tools/tool0.ldr" || fail "tftpd-hpa: wrong loader bytes"
kill "${pids[-1]}"; wait "${pids[-1]}" 2>/dev/null || true
echo "tftpd-hpa: backslash names served through the remap rule"

# --- dnsmasq's TFTP server takes backslashes by itself ----------------------
dnsmasq --no-daemon --port=0 --enable-tftp --tftp-root="$share" --listen-address=127.0.0.1 \
  --bind-interfaces --user=root --pid-file= --log-facility=- >"$dir/dnsmasq-tftp.log" 2>&1 &
pids+=($!)
sleep 0.5
fetch 'Setup\English\Tools\Zent\i386\dos.img' || fail "dnsmasq: backslash name not served"
cmp -s "$dir/got" "$tools/dos.img" || fail "dnsmasq: wrong bytes"
kill "${pids[-1]}"; wait "${pids[-1]}" 2>/dev/null || true
echo "dnsmasq: backslash names served as they are"

# --- dnsmasq DHCP + TFTP booting a BIOS and a UEFI PC into one menu ---------
# The guide's lines, taken from it, so the two cannot drift apart.
guide_conf=$(sed -n '/shimx64.efi/d; /^dhcp-match=/p; /^dhcp-boot=tag:/p' "$src/docs/serving.md")
[ "$(wc -l <<<"$guide_conf")" = 6 ] || fail "the guide no longer gives the six architecture lines tested here"
cp "$tools/tool0.ldr" "$tools/menvolt.ldr"
cp "$bin/chain.0" "$tools/menvolt.0"
cp "$bin/menvolt.efi" "$tools/menvolt.efi"
[ ! -e "$bin/menvolt-aa64.efi" ] || cp "$bin/menvolt-aa64.efi" "$tools/menvolt-aa64.efi"
mapfile -t conf_args < <(sed 's/^/--/' <<<"$guide_conf")
dnsmasq --no-daemon --port=0 --interface=tap0 --bind-interfaces --user=root --pid-file= \
  --dhcp-range=192.168.77.50,192.168.77.60,1h "${conf_args[@]}" \
  --enable-tftp --tftp-root="$share" --log-facility=- >"$dir/dnsmasq.log" 2>&1 &
pids+=($!)
python3 "$src/tests/docs/boot_over_tap.py" --tap tap0 --expect "Served menu" --expect "Hard drive" \
  || { tail -20 "$dir/dnsmasq.log"; fail "a BIOS PC did not boot into the menu through dnsmasq and menvolt.0"; }
echo "dnsmasq + menvolt.0: a BIOS PC booted into the menu"
/usr/bin/python3 "$src/tests/docs/boot_over_tap.py" --uefi --tap tap0 --expect "Served menu" --expect "Hard drive" \
  || { tail -20 "$dir/dnsmasq.log"; fail "a UEFI PC did not boot into the menu through dnsmasq and menvolt.efi"; }
grep -q "menvolt.efi" "$dir/dnsmasq.log" || fail "the UEFI PC was not handed menvolt.efi"
echo "dnsmasq + menvolt.efi: a UEFI PC booted into the same menu"
if [ -e "$tools/menvolt-aa64.efi" ]; then
  /usr/bin/python3 "$src/tests/docs/boot_over_tap.py" --arm64 --tap tap0 --expect "Served menu" --expect "Hard drive" \
    || { tail -20 "$dir/dnsmasq.log"; fail "an ARM64 PC did not boot into the menu through dnsmasq and menvolt-aa64.efi"; }
  grep -q "menvolt-aa64.efi" "$dir/dnsmasq.log" || fail "the ARM64 PC was not handed menvolt-aa64.efi"
  echo "dnsmasq + menvolt-aa64.efi: an ARM64 PC booted into the same menu"
fi
kill "${pids[-1]}"; wait "${pids[-1]}" 2>/dev/null || true

# --- Secure Boot through Debian's signed shim, the guide's commands ---------
if command -v sbsign >/dev/null && [ -e /usr/lib/shim/shimx64.efi.signed ]; then
  export MENVOLT_SECURE_BOOT_KEYS="$dir/keys"
  mapfile -t steps < <(sed -n 's|^\(menvolt-cli secureboot .*\)|\1|p' "$src/docs/serving.md" | grep -v ' sign ' \
                       | sed "s|/srv/reminst|$share|; s|^menvolt-cli|$bin/menvolt-cli|")
  [ "${#steps[@]}" = 3 ] || fail "the guide no longer gives the key, shim and check steps tested here: ${steps[*]}"
  for step in "${steps[@]}"; do
    eval "$step" >/dev/null || fail "the guide's step failed: $step"
  done
  shim_boot=$(grep '^dhcp-boot=tag:efi64,.*shimx64.efi$' "$src/docs/serving.md") || fail "the guide's shim line"
  # Without it shim looks for its second stage in the TFTP root.
  grep -qx 'dhcp-no-override' "$src/docs/serving.md" || fail "the guide no longer gives dhcp-no-override"
  "$bin/menvolt-cli" secureboot vm-vars "$dir/mok.fd" --mok >/dev/null
  dnsmasq --no-daemon --port=0 --interface=tap0 --bind-interfaces --user=root --pid-file= \
    --dhcp-range=192.168.77.50,192.168.77.60,1h "${conf_args[@]:0:2}" "--${shim_boot}" --dhcp-no-override \
    --enable-tftp --tftp-root="$share" --log-facility=- >"$dir/dnsmasq-sb.log" 2>&1 &
  pids+=($!)
  /usr/bin/python3 "$src/tests/docs/boot_over_tap.py" --secure-boot "$dir/mok.fd" --tap tap0 \
    --expect "Served menu" --expect "Hard drive" \
    || { tail -20 "$dir/dnsmasq-sb.log"; fail "a Secure Boot PC did not boot into the menu through shim"; }
  grep -q "shimx64.efi" "$dir/dnsmasq-sb.log" && grep -q "grubx64.efi" "$dir/dnsmasq-sb.log" \
    || fail "the Secure Boot PC was not served shim and its second stage"
  echo "dnsmasq + shim: a Secure Boot PC with the site key as its MOK booted into the same menu"
fi
echo "serving guide: all checks passed"
