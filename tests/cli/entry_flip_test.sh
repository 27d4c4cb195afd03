#!/usr/bin/env bash
# The entry folder swapped atomically with a link to a copy outside the share
# (renameat2 RENAME_EXCHANGE, by flip_exchange) while create, edit and remove
# run against it. Afterwards: nothing outside changed, and each command is
# either whole (exit 0), or undone without a trace (non-zero exit), or said
# to be half-done (non-zero exit, "half-done" and the files' states).
set -euo pipefail
cli=$1 flip=$2 per=${3:-60}  # runs per command
dir=$(mktemp -d) flipper=
trap '[ -z "$flipper" ] || kill "$flipper" 2>/dev/null; rm -rf "$dir"' EXIT
share="$dir/share" outside="$dir/outside" zent="$dir/share/Setup/English/Tools/Zent" logs="$dir/logs"
mkdir -p "$zent/i386/templates" "$logs"
run() { "$cli" --share "$share" "$@"; }
for i in $(seq 0 $((2 * per - 1))); do
  run create --language English --description "E$i" --image a.img --allow-missing-images >/dev/null
done
cp -a "$zent/i386" "$outside"
ln -s "$outside" "$zent/.flip"
state() { (cd "$1" && find . -printf '%p %y\n' | sort && find . -type f -exec sha256sum {} + | sort); }
before=$(state "$outside") inside=$(state "$zent/i386")
start=$(date +%s)
# Out for 20 microseconds, back for 500: most commands get past their
# first steps, and swaps land between the steps of a change.
"$flip" "$zent/i386" "$zent/.flip" 20 500 >"$dir/swaps" &
flipper=$!
sifOf() { echo "Setup\\English\\Tools\\Zent\\i386\\templates\\tool$1.sif"; }
# Each run leaves its exit status and messages in $logs/<command>.<N>.
go() {
  local name=$1 n=$2; shift 2
  set +e; MENVOLT_RESOLVE_BY_WALK=$((n % 2)) "$@" >"$logs/$name.$n.out" 2>"$logs/$name.$n.err"
  echo $? >"$logs/$name.$n.rc"
}
for n in $(seq 0 $((per - 1))); do go create "$n" run create --language English --description "New $n" --image a.img --allow-missing-images; done &
for n in $(seq 0 $((per - 1))); do go edit "$n" run edit "$(sifOf "$n")" --description "Changed $n" --item 1 b.img "" "" --allow-missing-images; done &
for n in $(seq 0 $((per - 1))); do go remove "$n" run remove "$(sifOf $((per + n)))"; done &
wait %2 %3 %4
kill -TERM "$flipper" || { echo "FAIL: the swaps stopped early"; exit 1; }
wait "$flipper"; flipper=
[ -d "$zent/i386" ] && [ ! -L "$zent/i386" ] || { echo "FAIL: the entry folder is not back in place"; exit 1; }
[ "$before" = "$(state "$outside")" ] || { diff <(echo "$before") <(state "$outside") | sed 20q; echo "FAIL: writes outside the share"; exit 1; }

fail=0 whole=0 undone=0 half=0
bad() { echo "FAIL: $*"; fail=1; }
hash() { sha256sum <"$1" | cut -c1-64; }
was() { grep -F " ./$1" <<<"$inside" | grep -v ' [fd]$' | cut -c1-64; }  # its hash before the runs
verdict() {  # verdict LOG WHOLE_TEST UNDONE_TEST
  local rc; rc=$(cat "$1.rc")
  if [ "$rc" = 0 ]; then eval "$2" && whole=$((whole + 1)) || bad "$1: exit 0, yet not whole"
  elif grep -q 'half-done' "$1.err"; then half=$((half + 1))
  else eval "$3" && undone=$((undone + 1)) || bad "$1: exit $rc, yet not undone: $(head -c 300 "$1.err")"; fi
}
for n in $(seq 0 $((per - 1))); do
  sif="$zent/i386/templates/tool$n.sif" ldr="$zent/i386/tool$n.ldr"
  verdict "$logs/edit.$n" "grep -q 'Changed $n' '$sif' && grep -q b.img '$ldr'" \
    "[ \"\$(hash '$sif')\" = '$(was "templates/tool$n.sif")' ] && [ \"\$(hash '$ldr')\" = '$(was "tool$n.ldr")' ]"
  m=$((per + n)) sif="$zent/i386/templates/tool$((per + n)).sif" ldr="$zent/i386/tool$((per + n)).ldr"
  # A create may take the freed names at once: the entry is gone when its
  # OSChooser file is (a loader left behind counts as an orphan below).
  verdict "$logs/remove.$n" "! grep -qs 'Description = \"E$m\"' '$sif'" \
    "[ \"\$(hash '$sif')\" = '$(was "templates/tool$m.sif")' ] && [ \"\$(hash '$ldr')\" = '$(was "tool$m.ldr")' ]"
  # A create names its files only when it made them; undone, nothing new may stay.
  verdict "$logs/create.$n" "grep -q 'created .* -> ' '$logs/create.$n.out'" true
done
# Every loader is named by an OSChooser file, and every named one exists,
# apart from what a half-done command said it left.
orphans=0
for ldr in "$zent"/i386/*.ldr; do
  grep -rqF "$(basename "$ldr")\"" "$zent/i386/templates" || orphans=$((orphans + 1))
done
[ "$orphans" -le "$half" ] || bad "$orphans loader files no OSChooser file names"
for sif in "$zent"/i386/templates/*.sif; do
  l=$(sed -n 's/^LaunchFile *= *"\(.*\)"\r*$/\1/p' "$sif" | tr '\\' /)
  [ -e "$share/$l" ] || grep -q 'half-done' "$logs"/*.err || bad "$(basename "$sif") names a missing loader $l"
done
[ -z "$(find "$zent/i386" -name '.menvolt-temp.*')" ] || bad "temporary files left"
echo "entry flip: $((3 * per)) runs under $(cat "$dir/swaps") swaps in $(($(date +%s) - start)) s:" \
  "$whole whole, $undone undone, $half said half-done"
[ "$whole" -gt 0 ] && [ "$undone" -gt 0 ] || bad "the swaps never (or always) got in the way; the test proved nothing"
exit $fail
