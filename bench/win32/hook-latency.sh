#!/usr/bin/env bash
# Remapping without the filter driver under Wine, timed from the X server to the window: the
# 64-bit program runs as "-RunAsProgram" with no device (so it captures with low-level hooks),
# a window prints each key-down with its arrival time, and the XTEST client taps A (bound to B)
# and S (passed) in turn, noting each press's send time. Prints the median and 99th percentile
# of send-to-WM_KEYDOWN for both and their ratio, then the capturing process's CPU while idle.
#   bench/win32/hook-latency.sh [PRESSES] [IDLE_SECONDS]     (after a win64 build)
set -euo pipefail
cd "$(dirname "$0")/../.."
presses=${1:-1000}
idle=${2:-30}
run=build/win64/wine-run.sh
dir=build/win64/hook-bench
wine_path() { echo "Z:$PWD/$1"; }

rm -rf "$dir"
mkdir -p "$dir"
cp build/win64/app/Quillon.x64.exe "$dir/"
cat >"$dir/settings.json" <<'JSON'
{"defaultTable": "Main", "defaultPreset": "Default",
 "presets": [{"name": "Default", "settings": {"Keyboard Repeat Delay": "100000"}}],
 "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
   {"kind": "Input", "trigger": "A", "sequences": ["B"]}]}]}]}
JSON
"$run" build/win64/tools/config/quillon-config.exe build "$(wine_path "$dir/settings.json")" \
    -o "$(wine_path "$dir/Settings.dat")"
seconds=$((presses * 2 * 30 / 1000 + 60))
"$run" build/win64/tools/keyviewer/quillon-keyviewer.exe "$seconds" --times >"$dir/viewer.log" 2>&1 &
viewer=$!
"$run" "$(wine_path "$dir/Quillon.x64.exe")" -RunAsProgram >/dev/null 2>&1 &
engine=$!
cleanup() {
    kill "$viewer" "$engine" 2>/dev/null || true
    "$run" --stop >/dev/null 2>&1 || true
}
trap cleanup EXIT
sleep 4
xtest=("$run" --host tools/xtest/quillon-xtest)
"${xtest[@]}" m:300,250 b1 r:off
"${xtest[@]}" "n:$presses:30:a,s" kEscape >"$dir/sent.log"
wait "$viewer" || true
tr -d '\r' <"$dir/viewer.log" >"$dir/viewer.txt"

python3 - "$dir/sent.log" "$dir/viewer.txt" <<'PY'
import statistics, sys
sent = {"a": [], "s": []}
for line in open(sys.argv[1]):
    parts = line.split()
    if len(parts) == 3 and parts[0] == "sent":
        sent[parts[1]].append(int(parts[2]))
got = {"B": [], "S": []}
for line in open(sys.argv[2]):
    parts = line.split()
    if len(parts) == 3 and parts[0] == "WM_KEYDOWN" and parts[1] in got:
        got[parts[1]].append(int(parts[2]) * 100)  # 100 ns units to ns
def report(name, sends, arrivals):
    if len(sends) != len(arrivals) or not sends:
        print(f"{name}: {len(sends)} sent, {len(arrivals)} arrived: cannot pair them")
        return None
    ms = sorted((b - a) / 1e6 for a, b in zip(sends, arrivals))
    median, p99 = statistics.median(ms), ms[int(len(ms) * 0.99) - 1]
    print(f"{name}: {len(ms)} presses, median {median:.3f} ms, p99 {p99:.3f} ms")
    return median, p99
remapped = report("remapped A -> B", sent["a"], got["B"])
passed = report("passed S       ", sent["s"], got["S"])
if remapped and passed:
    print(f"remapped / passed: median {remapped[0] / passed[0]:.2f}, p99 {remapped[1] / passed[1]:.2f}")
PY

# The capturing process with nothing to do: nanoseconds on a CPU over its threads.
ticks() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{t += $1} END {printf "%.0f\n", t}'; }
pid=$(pgrep -f 'hook-bench.Quillon.x64.exe' | head -1)
p0=$(ticks "$pid")
sleep "$idle"
p1=$(ticks "$pid")
awk -v p=$((p1 - p0)) -v t="$idle" 'BEGIN { printf "idle capturing process: %.3f %% of a core over %d s\n", p / 1e9 / t * 100, t }'
"${xtest[@]}" r:on
