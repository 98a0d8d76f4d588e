#!/usr/bin/env bash
# removal_kill_test.sh PREFIX INSTALLCTL RUNNER...: kills the Wine process
# running ExZKCFG_RemovePluginRefs on a large file at moments spread over its
# run, and checks that the file is each time byte for byte the old content or
# the new one, never anything else.
set -euo pipefail
prefix=$1
installctl=$2
shift 2
kills=24
work=$prefix/drive_c/install-kill
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
awk 'BEGIN { printf "ZKCO 1\r\n0\r\n"
             for (i = 0; i < 200000; i++) printf "Plugin C:\\Plugins\\Shine%d.dll\r\nWindow %d 480\n", i, i }' \
  >"$work/old.cfg"

request='C:\install-kill\host.cfg*shine'
cp "$work/old.cfg" "$work/host.cfg"
start=$(date +%s%N)
answer=$("$@" "$installctl" ExZKCFG_RemovePluginRefs "$request")
[ "${answer%$'\r'}" = 0 ] || { echo "FAIL: the uninterrupted removal answered $answer"; exit 1; }
run_ns=$(($(date +%s%N) - start))
mv "$work/host.cfg" "$work/new.cfg"
cmp -s "$work/old.cfg" "$work/new.cfg" && { echo "FAIL: the removal changed nothing"; exit 1; }

old=0 new=0 other=0
for ((kill = 1; kill <= kills; kill++)); do
  cp "$work/old.cfg" "$work/host.cfg"
  # Started directly, so that $! is the Wine process itself.
  "$@" "$installctl" ExZKCFG_RemovePluginRefs "$request" >/dev/null 2>&1 &
  sleep "$(awk -v ns=$run_ns -v k=$kill -v n=$kills 'BEGIN { printf "%.3f", ns * k / n / 1e9 }')"
  kill -KILL $! 2>/dev/null || true
  wait $! 2>/dev/null || true
  if cmp -s "$work/host.cfg" "$work/old.cfg"; then
    old=$((old + 1))
  elif cmp -s "$work/host.cfg" "$work/new.cfg"; then
    new=$((new + 1))
  else
    other=$((other + 1))
  fi
done
echo "$kills kills over a ${run_ns%??????} ms run: $old old, $new new, $other other"
[ $other -eq 0 ]
