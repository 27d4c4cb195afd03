#!/usr/bin/env bash
# tap_namespace.sh COMMAND...: runs COMMAND in a private network namespace of
# its own, with loopback up and a tap device tap0 at 192.168.77.1/24 for a
# virtual PC to boot on (QEMU -netdev tap,ifname=tap0). Nothing sent there
# leaves the namespace. Exits 77 (skipped) unless run as root.
set -euo pipefail
if [ "$(id -u)" != 0 ]; then echo "skipped: a private network namespace needs root"; exit 77; fi
if [ "${MENVOLT_IN_NETNS:-}" != 1 ]; then MENVOLT_IN_NETNS=1 exec unshare -n "$0" "$@"; fi
ip link set lo up
ip tuntap add tap0 mode tap
ip addr add 192.168.77.1/24 dev tap0
ip link set tap0 up
exec "$@"
