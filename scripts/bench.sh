#!/usr/bin/env bash
# Runs the benchmarks and prints their figures against the targets:
#
#   native (build-bench, Google Benchmark's ktr_bench)
#     - our BMP decoder against stb_image, 658 x 334 and 172 x 24, 24-bit
#     - ReadLangString for one key of a full MultiLang.ini on disk
#     - one highlight change of the main menu against a raw read of its bytes
#   under Wine (build-bench-win, on a generated medium, own prefix and Xvfb)
#     - start-up to input idle: KtrSetup.exe against the floor, a window
#       program in C that paints one bitmap of the medium with LoadImage, and
#       the rules floor: a program in C that makes only the system calls the
#       launcher's start-up rules ask for, its pictures read but not decoded
#       (ktr_required_floor), less work than any launcher must do; the
#       launcher's start-up taken apart step by step (ktr_startup_phases)
#     - peak working set of the idle main menu
#
# Benchmarks are measurements, not tests: a missed target is printed, not
# failed. Usage:
#
#   scripts/bench.sh [--runs N] [--native-only | --wine-only] [--baseline EXE]
#
# --baseline times another build of the launcher (an earlier KtrSetup.exe of
# the same architecture) in the same rounds, so that a change can be shown
# not to make the start-up slower.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=15
baseline=
do_native=1
do_wine=1
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --native-only) do_wine=0; shift ;;
    --wine-only) do_native=0; shift ;;
    --baseline) baseline=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift 2 ;;
    *) echo "usage: $0 [--runs N] [--native-only | --wine-only] [--baseline EXE]" >&2; exit 2 ;;
  esac
done

say() { printf 'bench: %s\n' "$*"; }

if [ -f "$root/scripts/setup.sh" ]; then
  bash "$root/scripts/setup.sh"
fi

native_build=$root/build-bench
summary=$(mktemp -t ktr-bench-summary.XXXXXX)
xvfb_pid=
timer_pid=
wine_prefix=
cleanup() {
  if [ -n "$wine_prefix" ] && [ -d "$wine_prefix" ]; then
    WINEPREFIX=$wine_prefix timeout 60 "${KTR_WINESERVER:-wineserver}" -k >/dev/null 2>&1 || true
    WINEPREFIX=$wine_prefix timeout 60 "${KTR_WINESERVER:-wineserver}" -w >/dev/null 2>&1 || true
  fi
  for pid in $timer_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -f "$summary"
}
trap cleanup EXIT

# ------------------------------------------------------------------ native
if [ "$do_native" = 1 ]; then
  say "building the native benchmarks in $native_build"
  mkdir -p "$native_build"
  cmake -S "$root" -B "$native_build" -DCMAKE_BUILD_TYPE=Release >"$native_build/configure.log" 2>&1 ||
    { cat "$native_build/configure.log"; exit 1; }
  cmake --build "$native_build" -j2 --target ktr_bench
  # The checker's figure is taken on the demo medium (its stub programs are
  # only looked for, so any file stands in for them).
  demo_medium=$native_build/demo-medium
  if [ ! -f "$demo_medium/KtrSetup.exe" ]; then
    say "writing the demo medium for the checker"
    printf 'MZ' >"$native_build/stand-in.exe"
    python3 "$root/tools/make_medium.py" "$demo_medium" --stub "$native_build/stand-in.exe" \
      --launcher "$native_build/stand-in.exe" --style demo >/dev/null
  fi
  export KTR_BENCH_DEMO_MEDIUM=$demo_medium
  say "running ktr_bench (5 repetitions, medians)"
  "$native_build/ktr_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$native_build/bench.json" --benchmark_out_format=json \
    >"$native_build/bench.txt" 2>&1 || { cat "$native_build/bench.txt"; exit 1; }
  python3 - "$native_build/bench.json" >>"$summary" <<'EOF'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
median, errors = {}, {}
for b in runs:
    if b.get("error_occurred"):
        errors[b["run_name"]] = b.get("error_message", "failed")
    elif b.get("aggregate_name") == "median":
        median[b["run_name"]] = b
for name, message in sorted(errors.items()):
    print("  error: %s: %s" % (name, message))
def ns(name, field="cpu_time"):
    b = median[name]
    scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
    return b[field] * scale
def verdict(ok):
    return "met" if ok else "MISSED"
print("Native (processor time, medians of 5)")
for size in ("w:658/h:334", "w:172/h:24"):
    if "Ours/" + size not in median:
        continue
    ours, stb, native = ns("Ours/" + size), ns("StbRgba/" + size), ns("StbNative/" + size)
    print("  BMP %-12s ours %8.1f us, stb_image RGBA %8.1f us, stb native %8.1f us: "
          "ours/stb %.2f (target <= 1.00, %s)" % (size, ours / 1e3, stb / 1e3, native / 1e3,
                                                  ours / stb, verdict(ours <= stb)))
for name in sorted((n for n in median if n.startswith("ReadLangString/")),
                   key=lambda n: int(n.split(":")[-1])):
    print("  ReadLangString %-10s %6.1f us (%s)" % (name.split("/")[1], ns(name) / 1e3,
                                                    median[name].get("label", "")))
if "RawIniRead" in median:
    print("  raw read of MultiLang.ini  %6.1f us" % (ns("RawIniRead") / 1e3))
if "MediumCheck/real_time" in median:
    check = ns("MediumCheck/real_time", "real_time")
    print("  ktrmedium check, demo medium %6.1f ms wall (%s; target < 1000 ms, %s)"
          % (check / 1e6, median["MediumCheck/real_time"].get("label", ""),
             verdict(check < 1e9)))
for change, scale in (("Highlight", ""), ("Restore", ""), ("Highlight", "At200"),
                      ("Restore", "At200")):
    name = "Hover%s%s/manual_time" % (change, scale)
    if name not in median:
        continue
    # Manual time is the thread's processor time of the one move measured;
    # the raw read of the same bytes runs beside it in every iteration.
    ours, raw, ratio = ns(name, "real_time"), median[name]["raw_us"], median[name]["ratio"]
    label = change.lower() + (" at 200 %" if scale else "")
    print("  hover %-18s %6.1f us against raw read %6.1f us: ratio %.2f (target <= 1.50, %s)"
          % (label, ours / 1e3, raw, ratio, verdict(ratio <= 1.5)))
EOF
fi

# -------------------------------------------------------------------- Wine
if [ "$do_wine" = 1 ]; then
  # shellcheck source=e2e/wine-loader.sh
  . "$root/e2e/wine-loader.sh"
  if [ "$KTR_WINEARCH" = win64 ]; then
    win_build=$root/build-bench-win64
    toolchain=$root/cmake/mingw-x86_64.cmake
  else
    win_build=$root/build-bench-win
    toolchain=$root/cmake/mingw-i686.cmake
  fi
  say "building the launcher and the timing programs in $win_build"
  mkdir -p "$win_build"
  cmake -S "$root" -B "$win_build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    >"$win_build/configure.log" 2>&1 || { cat "$win_build/configure.log"; exit 1; }
  cmake --build "$win_build" -j2 --target KtrSetup ktr_stub ktr_startup_timer ktr_bare_window \
    ktr_startup_phases ktr_floor_phases ktr_required_floor ktr_hash_bench

  medium=$win_build/bench-medium
  if [ -f "$root/tools/make_medium.py" ]; then
    style="test"
    [ -f "$root/tools/demo_skin.py" ] && style=demo
    say "writing a $style medium with tools/make_medium.py"
    python3 "$root/tools/make_medium.py" "$medium" --stub "$win_build/ktr_stub.exe" \
      --style "$style" --launcher "$win_build/KtrSetup.exe" >"$win_build/medium.log" 2>&1 ||
      { cat "$win_build/medium.log"; exit 1; }
  else
    say "writing a minimal medium (tools/make_medium.py is not there)"
    rm -rf "$medium"
    python3 "$root/bench/minimal_medium.py" "$medium"
    cp "$win_build/KtrSetup.exe" "$medium/KtrSetup.exe"
  fi
  cp "$win_build/ktr_bare_window.exe" "$medium/ktr_bare_window.exe"
  cp "$win_build/ktr_required_floor.exe" "$medium/ktr_required_floor.exe"
  [ -z "$baseline" ] || cp "$baseline" "$medium/KtrSetup-baseline.exe"
  cp "$win_build/ktr_startup_phases.exe" "$medium/ktr_startup_phases.exe"
  cp "$win_build/ktr_floor_phases.exe" "$medium/ktr_floor_phases.exe"
  skin=$(sed -n 's/^RES_LANG=\([^\r]*\).*$/\1/p' "$medium/ImgData/ENGLISH/MultiLang.ini" | head -n 1)
  background="imgdata\\$skin\\BackgroundEmpty.bmp"

  # An X server of our own; it picks a free display and tells us which.
  display_file=$win_build/xvfb.display
  rm -f "$display_file"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >"$win_build/xvfb.log" 2>&1 &
  xvfb_pid=$!
  display=
  for _ in $(seq 100); do
    # The file is made by the background shell, which may not have run yet.
    display=$(tr -dc '0-9' <"$display_file" 2>/dev/null || true)
    [ -n "$display" ] && break
    sleep 0.1
  done
  [ -n "$display" ] || { say "Xvfb did not start:"; cat "$win_build/xvfb.log"; exit 1; }
  export DISPLAY=":$display"

  wine_prefix=$win_build/wine-bench
  export WINEPREFIX=$wine_prefix WINEARCH=$KTR_WINEARCH WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  if [ ! -f "$wine_prefix/system.reg" ]; then
    say "making the Wine prefix $wine_prefix"
    timeout 600 "$KTR_WINE" wineboot -i >"$win_build/wineboot.log" 2>&1 </dev/null || true
    timeout 120 "$KTR_WINESERVER" -w || true
    [ -f "$wine_prefix/system.reg" ] || { cat "$win_build/wineboot.log"; exit 1; }
  fi
  # The medium's English texts and skin.
  export LANG=C.UTF-8
  locale -a 2>/dev/null | grep -qix 'en_US.utf8' && export LANG=en_US.UTF-8

  windows_path() { printf 'Z:%s' "${1//\//\\}"; }
  result=$win_build/startup.txt
  phases=$win_build/phases.txt
  floor_phases=$win_build/floor_phases.txt
  rm -f "$result" "$phases" "$floor_phases"
  say "timing $runs starts of each program under Wine (display :$display); load before: $(cut -d' ' -f1-3 /proc/loadavg)"
  # The floor comes first: every round's ratios are taken against it.
  timeout 3600 "$KTR_WINE" "$win_build/ktr_startup_timer.exe" "$(windows_path "$result")" "$runs" \
    "$(windows_path "$medium")" \
    "bare=\"$(windows_path "$medium/ktr_bare_window.exe")\" $background" \
    "launcher=\"$(windows_path "$medium/KtrSetup.exe")\"" \
    "required=\"$(windows_path "$medium/ktr_required_floor.exe")\" $skin" \
    ${baseline:+"baseline=\"$(windows_path "$medium/KtrSetup-baseline.exe")\""} \
    "phases=\"$(windows_path "$medium/ktr_startup_phases.exe")\" $(windows_path "$phases")" \
    "floor_phases=\"$(windows_path "$medium/ktr_floor_phases.exe")\" $background $(windows_path "$floor_phases")" \
    >"$win_build/startup.log" 2>&1 </dev/null &
  timer_pid=$!
  timer_rc=0
  wait "$timer_pid" || timer_rc=$?
  timer_pid=
  if [ ! -f "$result" ]; then
    say "the timing program wrote nothing (exit code $timer_rc); its output:"
    cat "$win_build/startup.log"
    exit 1
  fi
  say "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
  python3 - "$result" "$runs" "$phases" "$floor_phases" >>"$summary" <<'EOF'
import statistics, sys
figures, errors = {}, []
for line in open(sys.argv[1]):
    words = line.split()
    if not words:
        continue
    if words[0] == "error":
        errors.append(" ".join(words[1:]))
        continue
    figures[words[0]] = dict(w.split("=", 1) for w in words[1:])
print("Under Wine (medians of %s starts)" % sys.argv[2])
for error in errors:
    print("  error: " + error)
if "launcher" in figures and "bare" in figures:
    l, b = figures["launcher"], figures["bare"]
    idle = float(l["idle_ms"]) / float(b["idle_ms"])
    shown = float(l["shown_ms"]) / float(b["shown_ms"])
    paired = float(l["ratio"])
    print("  start to input idle: launcher %s ms, C floor %s ms: ratio of the medians %.2f"
          % (l["idle_ms"], b["idle_ms"], idle))
    # Each round starts the two side by side, so the load of the moment falls
    # on both; the median of the rounds' ratios is the figure that counts.
    print("  start to input idle, median of the %s rounds' ratios launcher/floor: %.2f "
          "(target <= 1.10, %s)" % (l["runs"], paired, "met" if paired <= 1.10 else "MISSED"))
    print("  start to window shown: launcher %s ms, C floor %s ms: ratio %.2f"
          % (l["shown_ms"], b["shown_ms"], shown))
    # The fastest start is the one least disturbed by the rest of the machine.
    print("  fastest start to input idle: launcher %s ms, C floor %s ms: ratio %.2f"
          % (l["idle_min_ms"], b["idle_min_ms"],
             float(l["idle_min_ms"]) / float(b["idle_min_ms"])))
    # The process's own processor time is what the load of others leaves alone.
    print("  processor time of the process until idle: launcher %s ms, C floor %s ms: "
          "ratio %.2f" % (l["cpu_ms"], b["cpu_ms"], float(l["cpu_ms"]) / float(b["cpu_ms"])))
    peak = int(l["peak_working_set_kib"])
    print("  peak working set of the idle main menu: %.1f MiB (target <= 8 MiB, %s); "
          "C floor %.1f MiB" % (peak / 1024, "met" if peak <= 8192 else "MISSED",
                                int(b["peak_working_set_kib"]) / 1024))
    if "required" in figures:
        # Less than the start-up rules make any program do, with the system's
        # own calls alone: how much of the floor's target the rules leave, and
        # how far the launcher's own code is from that.
        r = figures["required"]
        print("  rules floor (C, the start-up's system calls, pictures read, not decoded): "
              "%s ms; ratio to the floor %.2f; launcher/rules floor %.2f"
              % (r["idle_ms"], float(r["ratio"]), paired / float(r["ratio"])))
    if "baseline" in figures:
        # Both were held against the floor in the same rounds.
        base = figures["baseline"]
        against = paired / float(base["ratio"])
        print("  against the baseline build: launcher %s ms, baseline %s ms to input idle; "
              "launcher/baseline %.2f (target <= 1.00, %s)"
              % (l["idle_ms"], base["idle_ms"], against, "met" if against <= 1.0 else "MISSED"))
# Where the time goes: the launcher's own start-up code step by step
# (ktr_startup_phases) beside the floor's (ktr_floor_phases), medians of
# their starts in the same rounds.
def steps_of(path):
    steps = {}
    try:
        for line in open(path):
            for item in line.split():
                name, value = item.split("=", 1)
                steps.setdefault(name, []).append(float(value))
    except OSError:
        pass
    return {name: statistics.median(values) for name, values in steps.items()}
launcher, floor = steps_of(sys.argv[3]), steps_of(sys.argv[4])
if launcher and floor:
    def row(label, ours, theirs):
        cell = lambda v: "%8.1f" % v if v is not None else "%8s" % "-"
        print("    %-44s %s %s" % (label, cell(ours), cell(theirs)))
    print("  where the start-up goes (ms, medians)            launcher    floor")
    row("process creation to WinMain", launcher.get("entry"), floor.get("entry"))
    row("the picture(s) read and decoded", None, floor.get("picture"))
    row("host adapters", launcher.get("host"), None)
    row("first window (application window; floor's)", launcher.get("backend"), floor.get("window"))
    row("main menu: window, texts, skin, show, paint", launcher.get("main"), floor.get("shown"))
    row("hidden Ghost window, made and loaded", launcher.get("ghost"), None)
    ours = sum(launcher.get(k, 0) for k in ("entry", "host", "backend", "main", "ghost"))
    theirs = sum(floor.get(k, 0) for k in ("entry", "picture", "window", "shown"))
    row("sum, until the message loop", ours, theirs)
    row("  the main menu's 8 pictures read and decoded", launcher.get("skin"), None)
    row("  one paint of the main menu", launcher.get("paint"), None)
    row("not at start: ole32 and COM (first shell use)", launcher.get("com"), None)
EOF
  # What a sealed launcher's hashing of a step costs against a plain read of
  # the same bytes (a 100 MB installer folder, from the system's cache).
  hash_result=$win_build/hash.txt
  rm -f "$hash_result"
  timeout 900 "$KTR_WINE" "$win_build/ktr_hash_bench.exe" "$(windows_path "$win_build/hash-folder")" \
    "$(windows_path "$hash_result")" 5 >"$win_build/hash.log" 2>&1 </dev/null || true
  {
    echo "Sealed medium under Wine: a 100 MB folder hashed (the launcher's SHA-256) against a plain read, from the cache, medians of 5"
    if [ -f "$hash_result" ]; then sed 's/^/  /' "$hash_result"; else echo "  error: no result"; fi
  } >>"$summary"
  # The same from the disk, where the system's cache can be emptied (root):
  # what a step costs on a medium read for the first time.
  if [ -w /proc/sys/vm/drop_caches ]; then
    once() {
      sync
      echo 3 >/proc/sys/vm/drop_caches
      timeout 300 "$KTR_WINE" "$win_build/ktr_hash_bench.exe" once "$1" \
        "$(windows_path "$win_build/hash-cold")" "$(windows_path "$win_build/hash-once.txt")" \
        >>"$win_build/hash.log" 2>&1 </dev/null && cat "$win_build/hash-once.txt"
    }
    once plain >/dev/null  # makes the folder
    plain_runs=() hashed_runs=()
    for _ in 1 2 3; do
      plain_runs+=("$(once plain)")
      hashed_runs+=("$(once hashed)")
    done
    python3 - "${plain_runs[@]}" "${hashed_runs[@]}" >>"$summary" <<'EOF2'
import statistics, sys
values = [float(v) for v in sys.argv[1:] if v]
half = len(values) // 2
if len(values) == 6:
    plain, hashed = statistics.median(values[:half]), statistics.median(values[half:])
    print("  from the disk, the cache emptied before each pass (medians of 3): "
          "plain_read_s=%.4f hashed_s=%.4f ratio=%.2f" % (plain, hashed, hashed / plain))
else:
    print("  from the disk: error: no result")
EOF2
  fi
fi

echo
cat "$summary"
