#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: when
# every package is already present it does nothing and prints nothing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  nasm                       # the client program and the image start-up code
  libgtest-dev libgmock-dev  # unit tests
  libbenchmark-dev           # bench/
  clang libclang-rt-14-dev   # libFuzzer targets
  qt6-base-dev               # the editor's user interface
  fonts-wine fonts-liberation # MS Sans Serif bitmap font for the dialog templates
  libunicorn-dev             # emulator bench for the client program
  qemu-system-x86 ipxe-qemu  # end-to-end boots on a real PXE boot ROM
  qemu-system-gui            # the window of the editor's Test Boot (gtk, sdl)
  gnu-efi                    # menvolt.efi and the EFI test programs
  ovmf python3-pyte          # UEFI end-to-end boots; their screen from the serial mirror
  openssl sbsigntool         # Secure Boot: the site key, signing and checking EFI programs
  shim-signed shim-helpers-amd64-signed # Debian's signed shim and MOK manager, served to Secure Boot PCs
  grub-efi-amd64-signed      # the signed GRUB network image the Secure Boot bench compares with
  gcc-aarch64-linux-gnu binutils-aarch64-linux-gnu # menvolt-aa64.efi, the ARM64 build
  qemu-system-arm qemu-efi-aarch64 # ARM64 UEFI end-to-end boots (AAVMF)
  grub-efi-amd64-bin         # comparison boots of menvolt.efi in bench/, GRUB on a RAM disk in tests/e2e/
  xorriso                    # CD images of the UEFI RAM disk boots in tests/e2e/
  pxelinux syslinux-common   # comparison boots in bench/
  syslinux grub-pc-bin memtest86+ # diskettes of the compatibility boots in tests/e2e/
  dosfstools mtools          # cross-checks of the FAT images we write
  dnsmasq-base curl          # the serving guide's DHCP and TFTP server, tried in tests
  libwrap0 libpcre2-8-0      # what the guide's other TFTP servers need (they are unpacked, below)
  lighttpd                   # the serving guide's web server, tried in tests
  iproute2                   # tap devices in the private networks of the serving guide and bad-server boots
  libchm-dev                 # reading the compiled help file in tests
  fp-utils                   # chmcmd, the help file compiler
  xvfb xauth xdg-utils       # screenshots of the real window, link opener
  xdotool                    # the keyboard-only test of the editor under Xvfb
  openbox x11-utils          # that test under a window manager; xwininfo places its pictures
  fonts-terminus-otb         # the 8 x 16 text font of the client screen preview
)

# gnu-efi's ARM64 headers, start-up code and libraries come only with
# Debian's arm64 build of the package: it is unpacked into the build folder,
# not installed; so are GRUB's ARM64 modules, which the ARM64 bench builds
# its comparison image from.
gnu_efi_arm64() {
  local build dest
  build="$(cd "$(dirname "$0")/.." && pwd)/build"
  dest="$build/gnu-efi-arm64"
  [ -e "$dest/usr/lib/libgnuefi.a" ] && [ -d "$build/grub-arm64/usr/lib/grub/arm64-efi" ] && return 0
  local SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    $SUDO dpkg --add-architecture arm64
    $SUDO apt-get update -qq
  fi
  local work
  work=$(mktemp -d)
  (cd "$work" && apt-get download gnu-efi:arm64 grub-efi-arm64-bin:arm64 >/dev/null 2>&1) ||
    { $SUDO apt-get update -qq; (cd "$work" && apt-get download gnu-efi:arm64 grub-efi-arm64-bin:arm64 >/dev/null); }
  mkdir -p "$dest" "$build/grub-arm64"
  dpkg-deb -x "$work"/gnu-efi_*_arm64.deb "$dest"
  dpkg-deb -x "$work"/grub-efi-arm64-bin_*_arm64.deb "$build/grub-arm64"
  rm -rf "$work"
}

# The serving guide gives two more TFTP servers, tftpd-hpa and atftpd (the
# one that answers window sizes). Their packages conflict, and its test
# tries both: they are unpacked into the build folder, not installed, so
# neither stands in the other's way or starts a service on the machine.
tftp_servers() {
  local dest p
  dest="$(cd "$(dirname "$0")/.." && pwd)/build/tftp-servers"
  [ -x "$dest/tftpd-hpa/usr/sbin/in.tftpd" ] && [ -x "$dest/atftpd/usr/sbin/atftpd" ] && return 0
  local SUDO="" work
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  work=$(mktemp -d)
  (cd "$work" && apt-get download tftpd-hpa atftpd >/dev/null 2>&1) ||
    { $SUDO apt-get update -qq; (cd "$work" && apt-get download tftpd-hpa atftpd >/dev/null); }
  for p in tftpd-hpa atftpd; do
    mkdir -p "$dest/$p"
    dpkg-deb -x "$work/${p}"_*.deb "$dest/$p"
  done
  rm -rf "$work"
}

missing=()
for p in "${PACKAGES[@]}"; do
  [[ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" == *"install ok installed"* ]] || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  gnu_efi_arm64
  tftp_servers
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
gnu_efi_arm64
tftp_servers
