#!/usr/bin/env bash
# wine-server.sh start|stop LOADER PREFIX: the Wine server of a build's
# prefix, held for a whole test run. Started once, persistent, before any
# Wine test (and the prefix made), it never goes away between two tests, so
# no test can start Wine while the server is shutting down ("Connection
# reset by peer"). "stop" ends it and every Windows program still running in
# the prefix, also after a test failed or was stopped for its time limit.
set -uo pipefail
action=$1 loader=$2
export WINEPREFIX=$3 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
server=$(dirname "$loader")/wineserver

case $action in
  start)
    mkdir -p "$WINEPREFIX"
    "$server" -k 2>/dev/null && "$server" -w  # left over from an interrupted run
    # -p: persistent. Its output goes nowhere: held by a server that
    # outlives this script, it would keep CTest waiting for the test's end.
    if ! "$server" -p </dev/null >/dev/null 2>&1; then
      echo "wine-server: the Wine server for $WINEPREFIX could not be started" >&2
      exit 1
    fi
    # The prefix's own services outlive wineboot: they must not hold this
    # test's output either.
    log=$WINEPREFIX.wineboot.log
    if ! timeout 300 "$loader" wineboot --init </dev/null >"$log" 2>&1; then
      cat "$log"
      echo "wine-server: wineboot could not make the prefix $WINEPREFIX" >&2
      exit 1
    fi ;;
  stop)
    "$server" -k 2>/dev/null
    "$server" -w ;;
  *)
    echo "usage: wine-server.sh start|stop LOADER PREFIX" >&2
    exit 2 ;;
esac
