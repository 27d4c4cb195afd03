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
chmod 755 "$dir"  # the web and TFTP servers read the share as users of their own
guide="$src/docs/serving.md"
section() { awk -v n="## $1." 'index($0, n) == 1 { on = 1; next } /^## / { on = 0 } on' "$guide"; }
# The fenced blocks of a section that start with LINE (a file's name, a command).
block() { section "$1" | awk -v first="$2" '/^```/ { on = 0; if (!inside) { inside = 1; take = 0 } else inside = 0; next }
  inside && !take && index($0, first) == 1 { take = 1; next } inside && take'; }
# The Debian packages of the TFTP servers that conflict, unpacked by scripts/setup.sh.
servers="$bin/../tftp-servers"
share="$dir/reminst"
tools="$share/Setup/English/Tools/Zent/i386"
mkdir -p "$tools/templates"
"$bin/menvolt-cli" new "$tools/tool0.ldr" --title "Served menu" --server-path 'Setup\English\Tools\Zent\i386\' \
  --item 1 dos.img "DOS disk" "" --item 2 "" "Hard drive" "" --item 3 cd.iso "Rescue CD" ""
head -c 70000 /dev/urandom > "$tools/dos.img"
# A CD whose El Torito EFI image holds the test program, for a RAM disk by HTTP.
mkdir "$dir/cd" && mkfs.fat -C "$dir/cd/efi.img" 1440 >/dev/null && mmd -i "$dir/cd/efi.img" ::EFI ::EFI/BOOT
mcopy -i "$dir/cd/efi.img" "$bin/../tests/e2e/guests/test_program.efi" ::EFI/BOOT/BOOTX64.EFI
xorriso -as mkisofs -o "$tools/cd.iso" -e efi.img -no-emul-boot "$dir/cd" >/dev/null 2>&1

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
"$servers/tftpd-hpa/usr/sbin/in.tftpd" -L -s -m "$dir/tftpd.remap" "$share" >/dev/null 2>&1 &
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

# --- lighttpd with the guide's configuration, for the rest of the run ------
# Each request in the error log, written at once (the access log is not) by the server's user.
mkdir "$dir/log" && chown www-data "$dir/log"
requests="$dir/log/requests.log"
{ block 6 "# /etc/lighttpd/lighttpd.conf" | sed "s|/srv/reminst|$share|"
  printf 'server.errorlog = "%s"\ndebug.log-request-header = "enable"\n' "$requests"; } >"$dir/lighttpd.conf"
lighttpd -D -f "$dir/lighttpd.conf" &
pids+=($!)
web=http://192.168.77.1/Setup/English/Tools/Zent/i386
get() { curl -s --max-time 10 -o "$dir/got" -w '%{http_code}' "$@"; }
for _ in 1 2 3 4 5 6 7 8 9 10; do [ "$(get "$web/tool0.ldr")" = 200 ] && break; sleep 0.5; done
cmp -s "$dir/got" "$tools/tool0.ldr" || { cat "$requests"; fail "lighttpd: the loader file not served"; }
[ "$(get "$web/dos.img")" = 200 ] && cmp -s "$dir/got" "$tools/dos.img" || fail "lighttpd: the image not served"
codes="$(get "$web/") $(get http://192.168.77.1/)"
[[ $codes =~ ^40[34]\ 40[34]$ ]] && ! grep -q "Setup" "$dir/got" || fail "lighttpd: folders answered $codes"
codes="$(get -T "$tools/tool0.ldr" "$web/dos.img") $(get -T "$tools/tool0.ldr" "$web/new.img") $(get -X DELETE "$web/dos.img")"
[[ " $codes" != *" 2"* ]] && cmp -s "$tools/dos.img" <(curl -s "$web/dos.img") && [ ! -e "$tools/new.img" ] \
  || fail "lighttpd: PUT or DELETE answered $codes or changed the share"
echo "lighttpd: the share served read-only, no folder listed, PUT and DELETE refused ($codes)"

# --- atftpd with the guide's pattern file ------------------------------------
block 9 "cat > /etc/atftpd.pcre" | sed '/^END$/,$d' >"$dir/atftpd.pcre"
# shellcheck disable=SC2046  # the guide's words
"$servers/atftpd/usr/sbin/atftpd" --daemon --no-fork --bind-address 127.0.0.1 --logfile - $(section 9 |
  sed -n "s|^ExecStart=/usr/sbin/in.tftpd \(.*\)$|\1|; T; s|/etc/atftpd.pcre|$dir/atftpd.pcre|; s|/srv/reminst|$share|p") >"$dir/atftpd.log" 2>&1 &
pids+=($!)
sleep 0.5
fetch 'Setup\English\Tools\Zent\i386\dos.img' && cmp -s "$dir/got" "$tools/dos.img" \
  || { cat "$dir/atftpd.log"; fail "atftpd: backslash name not served through the pattern file"; }
fetch 'Setup/English/Tools/Zent/i386/tool0.ldr' && cmp -s "$dir/got" "$tools/tool0.ldr" || fail "atftpd: slash name"
# What OVMF's PXE asks: a window of 4 blocks, which atftpd acknowledges.
python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.settimeout(5)
s.sendto(b"\0\1Setup/English/Tools/Zent/i386/dos.img\0octet\0windowsize\0004\0", ("127.0.0.1", 69)); a = s.recv(600)
s.sendto(b"\0\5\0\0\0", ("127.0.0.1", 69)); assert a == b"\0\6windowsize\0004\0", a' || fail "atftpd: no window granted"
kill "${pids[-1]}"; wait "${pids[-1]}" 2>/dev/null || true
echo "atftpd: backslash names served through the pattern file, a window of 4 blocks granted"

# --- dnsmasq DHCP + TFTP booting a BIOS and a UEFI PC into one menu ---------
# The guide's lines, taken from it, so the two cannot drift apart.
guide_conf=$(section 4 | sed -n '/^dhcp-match=/p; /^dhcp-boot=tag:/p')
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
# The UEFI PC after PXE reads its menu by HTTP, as the guide's menvolt.url says.
url_step=$(section 8 | grep '^echo http.*menvolt.url$') || fail "the guide no longer gives menvolt.url"
eval "$(sed "s|192.168.50.1|192.168.77.1|; s|/srv/reminst|$share|" <<<"$url_step")"
/usr/bin/python3 "$src/tests/docs/boot_over_tap.py" --uefi --tap tap0 --expect "Served menu" --expect "Hard drive" \
  || { tail -20 "$dir/dnsmasq.log"; fail "a UEFI PC did not boot into the menu through dnsmasq and menvolt.efi"; }
grep -q "menvolt.efi" "$dir/dnsmasq.log" || fail "the UEFI PC was not handed menvolt.efi"
grep -q 'rqst: GET /Setup/English/Tools/Zent/i386/menvolt.ldr ' "$requests" \
  || fail "the UEFI PC did not read menvolt.ldr by HTTP after PXE"
rm "$tools/menvolt.url"
echo "dnsmasq + menvolt.efi: a UEFI PC booted into the same menu, read by HTTP through menvolt.url"
if [ -e "$tools/menvolt-aa64.efi" ]; then
  /usr/bin/python3 "$src/tests/docs/boot_over_tap.py" --arm64 --tap tap0 --expect "Served menu" --expect "Hard drive" \
    || { tail -20 "$dir/dnsmasq.log"; fail "an ARM64 PC did not boot into the menu through dnsmasq and menvolt-aa64.efi"; }
  grep -q "menvolt-aa64.efi" "$dir/dnsmasq.log" || fail "the ARM64 PC was not handed menvolt-aa64.efi"
  echo "dnsmasq + menvolt-aa64.efi: an ARM64 PC booted into the same menu"
fi
kill "${pids[-1]}"; wait "${pids[-1]}" 2>/dev/null || true

# --- dnsmasq answering HTTP Boot beside PXE; the CD as a RAM disk by HTTP ---
mapfile -t http_args < <(block 7 "# /etc/dnsmasq.d/menvolt.conf" | grep -v '^interface=\|^dhcp-range=' \
                         | sed "s|^|--|; s|192.168.50.1|192.168.77.1|; s|/srv/reminst|$share|")
dnsmasq --no-daemon --port=0 --interface=tap0 --bind-interfaces --user=root --pid-file= \
  --dhcp-range=192.168.77.50,192.168.77.60,1h "${http_args[@]}" --log-facility=- >"$dir/dnsmasq-http.log" 2>&1 &
pids+=($!)
: >"$requests"
/usr/bin/python3 "$src/tests/docs/boot_over_tap.py" --http --tap tap0 --expect "Served menu" --expect "Rescue CD" \
  --then 3 "menvolt test program: on a RAM disk" \
  || { tail -20 "$dir/dnsmasq-http.log"; grep 'rqst: [A-Z]' "$requests"; fail "a UEFI PC did not HTTP-boot the menu and its CD"; }
[ "$(grep -oE "rqst: GET /Setup/English/Tools/Zent/i386/(menvolt.efi|menvolt.ldr|cd.iso) " "$requests" | sort -u | wc -l)" = 3 ] \
  || { grep 'rqst: [A-Z]' "$requests"; fail "menvolt.efi, menvolt.ldr and the CD not all read by HTTP"; }
kill "${pids[-1]}"; wait "${pids[-1]}" 2>/dev/null || true
echo "dnsmasq HTTP Boot + lighttpd: a UEFI PC booted the menu and its CD as a RAM disk by HTTP"

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
