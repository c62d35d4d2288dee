#!/usr/bin/env bash
# Runs one Windows program under Wine in the test run's own prefix and gives
# its exit code. Wine's helper processes keep inherited pipes open, so the
# program's output goes to a file that is printed afterwards.
set -u
prefix=${WINEPREFIX:-$PWD/wineprefix}
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
  fi
) 9>"$prefix.lock"
out=$(mktemp "${TMPDIR:-/tmp}/wine-exec.XXXXXX")
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
