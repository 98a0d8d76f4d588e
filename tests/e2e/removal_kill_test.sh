#!/usr/bin/env bash
# removal_kill_test.sh PREFIX INSTALLCTL LOADER: a removal killed at moments
# spread over its run leaves the old bytes or the new; at least one kill lands
# mid-rewrite (its .TMP left), and the next edit succeeds and removes that.
set -euo pipefail
prefix=$1 installctl=$2
shift 2
# The loader itself, not a wrapper: it becomes the Windows process, so a kill
# lands on the rewrite. The prefix's server is the test run's.
export WINEPREFIX=$prefix WINEDEBUG=-all
kills=24
work=$prefix/drive_c/install-kill
request='C:\install-kill\host.cfg*shine'
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# Large, with lines dropped, kept as they are, and rewritten.
awk 'BEGIN { printf "ZKCO 7\r\n0\r\n"
  for (i = 0; i < 100000; i++)
    printf "Window %d 480\r\nPlugin C:\\Plug-ins\\SHINE.dll\r\n   Key\tTabbed\nCaf\351 %0100d\r\n", i, i
}' >"$work/old.cfg"

# The kills are timed from the moment the rewrite begins, as Wine's start-up
# takes longer than the rewrite itself; a whole run first gives the new bytes.
start_removal() {
  cp "$work/old.cfg" "$work/host.cfg"
  rm -f "$work/host.TMP"
  "$@" "$installctl" ExZKCFG_RemovePluginRefs "$request" >/dev/null 2>&1 &
  removal=$!
  while [ ! -e "$work/host.TMP" ] && kill -0 $removal 2>/dev/null; do :; done
}
start_removal "$@"
start=$(date +%s%N)
wait $removal
run_ns=$(($(date +%s%N) - start))
cp "$work/host.cfg" "$work/new.cfg"
cmp -s "$work/old.cfg" "$work/new.cfg" && { echo "FAIL: the removal changed nothing"; exit 1; }

old=0 new=0 other=0 mid=0 kept=0
for ((kill = 1; kill <= kills; kill++)); do
  start_removal "$@"
  sleep "$(awk -v ns=$run_ns -v k=$kill -v n=$kills 'BEGIN { printf "%.3f", ns * 1.3 * k / n / 1e9 }')"
  kill -KILL $removal 2>/dev/null || true
  wait $removal 2>/dev/null || true
  if [ -e "$work/host.TMP" ]; then
    mid=$((mid + 1))
    # The killed edit's leftover goes with the next edit, which its lock does not hold up.
    cp "$work/host.cfg" "$work/killed.cfg"
    [ "$("$@" "$installctl" ExZKCFG_RemovePluginRefs "$request" 2>/dev/null | tr -d "\r")" = 0 ] &&
      [ ! -e "$work/host.TMP" ] || kept=$((kept + 1))
    cp "$work/killed.cfg" "$work/host.cfg"
  fi
  cmp -s "$work/host.cfg" "$work/old.cfg" && old=$((old + 1)) && continue
  cmp -s "$work/host.cfg" "$work/new.cfg" && new=$((new + 1)) || other=$((other + 1))
done
echo "$kills kills over a ${run_ns%??????} ms rewrite: $old old, $new new, $other other;" \
  "$mid during the rewrite, $kept of whose leftovers the next edit failed to remove"
[ $other -eq 0 ] && [ $mid -gt 0 ] && [ $kept -eq 0 ]
