#!/usr/bin/env bash
# Runs one Windows program under Wine in the test run's own prefix and gives
# its exit code. Wine's helper processes keep inherited pipes open, so the
# program's output goes to a file that is printed afterwards.
#
# The loader is the 32-bit one unless KTR_WINE or WINEARCH says otherwise
# (e2e/wine-loader.sh). A prefix is marked ready, with its architecture, only
# once wineboot has finished in it; one without the mark (half made by an
# earlier run that failed, or made for the other architecture) is made anew.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=e2e/wine-loader.sh
. "$here/wine-loader.sh"

prefix=${WINEPREFIX:-$PWD/wineprefix}
export WINEPREFIX=$prefix WINEARCH=$KTR_WINEARCH WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
mkdir -p "$(dirname "$prefix")"
ready=$prefix.ready
(
  flock 9
  if [ "$(cat "$ready" 2>/dev/null)" != "$KTR_WINEARCH" ]; then
    if [ -d "$prefix" ]; then
      "$KTR_WINESERVER" -k >/dev/null 2>&1
      timeout 120 "$KTR_WINESERVER" -w >/dev/null 2>&1
      rm -rf "$prefix"
    fi
    rm -f "$ready"
    timeout 900 "$KTR_WINE" wineboot -i >/dev/null 2>&1 </dev/null
    timeout 120 "$KTR_WINESERVER" -w
    [ -f "$prefix/system.reg" ] && printf '%s' "$KTR_WINEARCH" >"$ready"
  fi
) 9>"$prefix.lock"
out=$(mktemp "${TMPDIR:-/tmp}/wine-exec.XXXXXX")
"$KTR_WINE" "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
