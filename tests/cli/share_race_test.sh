#!/usr/bin/env bash
# A link flipped between a folder inside the share and one outside it as fast
# as it can go (a pause of 0.2 ms lets some runs through), while create, edit, remove and image add run through it.
# Everything outside is hashed before and after: any change is a leak. Half
# the runs use the kernel's beneath-the-root open, half the walk by names.
set -euo pipefail
cli=$1 image=$2 per=${3:-125}  # runs per command and walk kind: 4 x 2 x 125 = 1000
dir=$(mktemp -d) flipper=
trap '[ -z "$flipper" ] || kill "$flipper" 2>/dev/null; rm -rf "$dir"' EXIT
share="$dir/share" outside="$dir/outside" zent="$dir/share/Setup/English/Tools/Zent"
mkdir -p "$zent/real/templates" "$outside"
run() { "$cli" --share "$share" "$@"; }
ln -s real "$zent/i386"
for i in $(seq 0 $((4 * per - 1))); do
  run create --language English --description "E$i" --image a.img --allow-missing-images >/dev/null
done
"$image" create "$zent/real/disk.img" && echo x > "$dir/x.txt"
cp -a "$zent/real/." "$outside/" && rm "$outside/disk.img"  # the same names outside, but no image
state() { (cd "$outside" && find . -printf '%p %y\n' | sort && find . -type f -exec sha256sum {} + | sort); }
before=$(state)
python3 - "$zent" "$outside" <<'EOF_PY' &
import os, sys, time
zent, outside = sys.argv[1:]
tmp = os.path.join(zent, ".flip")
while True:
    for target in ("real", outside):
        try: os.remove(tmp)
        except FileNotFoundError: pass
        os.symlink(target, tmp)
        os.replace(tmp, os.path.join(zent, "i386"))
        time.sleep(0.0002)
EOF_PY
flipper=$!
tally() {  # tally NAME COMMAND...: runs it $per times under both walk kinds, counts successes
  local name=$1 ok=0 n; shift
  for walk in 0 1; do for n in $(seq 1 "$per"); do
    MENVOLT_RESOLVE_BY_WALK=$walk N=$((walk * per + n)) "$@" >/dev/null 2>&1 && ok=$((ok + 1))
  done; done
  echo "$name $ok"
}
sifOf() { echo "Setup\\English\\Tools\\Zent\\i386\\templates\\tool$1.sif"; }
edit() { run edit "$(sifOf $((N - 1)))" --description "Changed $N" --item 1 b.img "" "" --allow-missing-images; }
remove() { run remove "$(sifOf $((2 * per + N - 1)))"; }
create() { run create --language English --description "New $N" --image a.img --allow-missing-images; }
add() { "$image" add "$zent/i386/disk.img" "$dir/x.txt"; }
export -f run sifOf edit remove create add; export cli image share zent dir per
results=$(timeout 600 bash -c "$(declare -f tally); tally create create & tally edit edit & tally remove remove & \
  tally add add & wait")
kill "$flipper" && wait "$flipper" 2>/dev/null || true; flipper=
leaks=$(diff <(echo "$before") <(state) | grep -c '^[<>]' || true)
echo "share race: $((8 * per)) runs ($(tr '\n' ' ' <<<"$results")succeeded), leaks outside: $leaks"
[ "$leaks" = 0 ] || { diff <(echo "$before") <(state) | grep -v "^[0-9]" | sed 20q; echo "FAIL: writes or removals leaked outside"; exit 1; }
[ -z "$(find "$zent/real" -name '.menvolt-temp.*')" ] || { echo "FAIL: temporary files left"; exit 1; }
