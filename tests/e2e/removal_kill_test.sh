#!/usr/bin/env bash
# removal_kill_test.sh PREFIX NATIVE_INSTALLCTL INSTALLCTL RUNNER...: the
# Windows build must rewrite a large, awkward file into the same bytes as the
# native build, and when its Wine process is killed at moments spread over
# the run, the file must each time hold the old bytes or the new ones. At
# least one kill must land while the rewrite is under way (its .TMP is left).
set -euo pipefail
prefix=$1 native=$2 installctl=$3
shift 3
kills=24
work=$prefix/drive_c/install-kill
request='C:\install-kill\host.cfg*shine'
rm -rf "$work"
mkdir -p "$work"
# Ends whatever the kills left running in the prefix, which would otherwise
# hold the test's output open.
trap 'WINEPREFIX=$prefix "$(dirname "${@: -1}")/wineserver" -k; rm -rf "$work"' EXIT

# Mixed line ends, blank and space-led lines, lone CRs, long lines, eight-bit
# bytes and a Ctrl-Z; lines cross the ends of read blocks.
awk 'BEGIN { long = sprintf("%700s", ""); gsub(/ /, "x", long)
  printf "ZKCO 7\r\n0\r\n"
  for (i = 0; i < 10000; i++)
    printf "Window %d 480\r\n   Toolbar  left \t top\n\n   \r\nKey\tTabbed\nLone\rCR\r\n" \
           "Plugin C:\\Plug-ins\\%sSHINE.dll\r\nplugin shine.dll\r\nPlugin Other.dll\n" \
           "Caf\351 %s\r\nPlugin\r\nPlugin shine%d\r\n", i, long, long, i
  printf "Last line\032Plugin Ignored\r\n" }' >"$work/old.cfg"
cp "$work/old.cfg" "$work/new.cfg"
[ "$("$native" ExZKCFG_RemovePluginRefs "$work/new.cfg*shine")" = 0 ]
cmp -s "$work/old.cfg" "$work/new.cfg" && { echo "FAIL: the native removal changed nothing"; exit 1; }

cp "$work/old.cfg" "$work/host.cfg"
answer=$("$@" "$installctl" --value 3956250 ExZKCFG_RemovePluginRefs "$request" 2>/dev/null)
cmp -s "$work/host.cfg" "$work/old.cfg" || { echo "FAIL: a refused token changed the file"; exit 1; }
answer=$answer$("$@" "$installctl" ExZKCFG_RemovePluginRefs "$request" 2>/dev/null)
[ "$(tr -d '\r\n' <<<"$answer")" = 00 ] || { echo "FAIL: the removals answered $answer"; exit 1; }
cmp "$work/host.cfg" "$work/new.cfg" || { echo "FAIL: the Windows rewrite differs from the native one"; exit 1; }

# The kills are timed from the moment the rewrite begins, as Wine's start-up
# takes longer than the rewrite itself.
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

old=0 new=0 other=0 mid=0
for ((kill = 1; kill <= kills; kill++)); do
  start_removal "$@"
  sleep "$(awk -v ns=$run_ns -v k=$kill -v n=$kills 'BEGIN { printf "%.3f", ns * 1.3 * k / n / 1e9 }')"
  kill -KILL $removal 2>/dev/null || true
  wait $removal 2>/dev/null || true
  [ -e "$work/host.TMP" ] && mid=$((mid + 1))
  if cmp -s "$work/host.cfg" "$work/old.cfg"; then
    old=$((old + 1))
  elif cmp -s "$work/host.cfg" "$work/new.cfg"; then
    new=$((new + 1))
  else
    other=$((other + 1))
  fi
done
echo "$kills kills over a ${run_ns%??????} ms rewrite: $old old, $new new, $other other;" \
  "$mid during the rewrite"
[ $other -eq 0 ] && [ $mid -gt 0 ]
