# Sourced by the scripts: the repository root and the builds.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
jobs=${KTR_JOBS:-2}
mkdir -p build/logs

# Configures and builds one build folder; the compiler's output goes to a
# log, of which the end is shown when the build fails.
build() {
  local dir=$1
  shift
  local log=build/logs/$(basename "$dir").log
  echo "== building $dir"
  if ! { cmake -S . -B "$dir" "$@" && cmake --build "$dir" -j "$jobs"; } >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "build of $dir failed (whole log: $log)"
    return 1
  fi
}
