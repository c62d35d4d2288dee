#!/usr/bin/env bash
# Runs a Windows test program under Wine (e2e/wine-exec.sh) on an X display
# of its own, since the toolkit's tests make real windows. Xvfb picks a free
# display number itself; it and the prefix's Wine server end with the run.
# Usage: run-with-display.sh <program.exe> [arguments]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../../.." && pwd)
# shellcheck source=e2e/wine-loader.sh
. "$root/e2e/wine-loader.sh"

display_file=$(mktemp "${TMPDIR:-/tmp}/ktr-display.XXXXXX")
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 </dev/null &
xvfb=$!
stop() {
  WINEPREFIX=${WINEPREFIX:-$PWD/wineprefix} "$KTR_WINESERVER" -k >/dev/null 2>&1
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  rm -f "$display_file"
}
trap stop EXIT
for _ in $(seq 100); do
  [ -s "$display_file" ] && break
  sleep 0.1
done
if [ ! -s "$display_file" ]; then
  echo "Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$display_file")"
"$root/e2e/wine-exec.sh" "$@"
