#!/usr/bin/env bash
# Runs one Windows program under Wine in the test run's own prefix and gives
# its exit code. Wine's helper processes keep inherited pipes open, so the
# program's output goes to a file that is printed afterwards.
#
# The loader follows the host: the 32-bit Wine where the host can execute
# 32-bit x86 code, otherwise the 64-bit one (some virtual machines have no
# 32-bit mode at all; there the Windows-side programs are built for x86_64).
# KTR_WINE and WINEARCH, when set, choose instead.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=e2e/wine-loader.sh
. "$here/wine-loader.sh"

prefix=${WINEPREFIX:-$PWD/wineprefix}
export WINEPREFIX=$prefix WINEARCH=$KTR_WINEARCH WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    timeout 600 "$KTR_WINE" wineboot -i >/dev/null 2>&1 </dev/null
    timeout 120 "$KTR_WINESERVER" -w
  fi
) 9>"$prefix.lock"
out=$(mktemp "${TMPDIR:-/tmp}/wine-exec.XXXXXX")
"$KTR_WINE" "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
