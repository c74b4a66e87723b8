#!/usr/bin/env bash
# The CPU an idle service costs under Wine: installs the 64-bit program as a service beside the
# filter stand-in, lets it sit with nothing held, and prints the service process's CPU time
# (and wineserver's, which does on Wine what the kernel does on Windows) over the period.
#   bench/win32/idle-service.sh [SECONDS]      (after a win64 build)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
run=build/win64/wine-run.sh
dir=build/win64/idle-bench
service=QuillonIdleBench
wine_path() { echo "Z:$PWD/$1"; }

rm -rf "$dir"
mkdir -p "$dir"
cp build/win64/app/Quillon.x64.exe "$dir/"
program="$(wine_path "$dir/Quillon.x64.exe")"
"$run" build/win64/tools/config/quillon-config.exe build "$(wine_path tools/demo/settings.json)" \
    -o "$(wine_path "$dir/Settings.dat")"
echo "wait $(((seconds + 30) * 1000))" >"$dir/idle.txt"
"$run" build/win64/tools/filterstandin/quillon-filter.exe --wait-client 30000 \
    "$(wine_path "$dir/idle.txt")" >"$dir/standin.log" 2>&1 &
standin=$!
cleanup() {
    "$run" "$program" -StopService "$service" >/dev/null 2>&1 || true
    "$run" "$program" -RemoveService "$service" >/dev/null 2>&1 || true
    kill "$standin" 2>/dev/null || true
    # The wrapper keeps a wineserver for later runs; a benchmark leaves none behind.
    "$run" --stop >/dev/null 2>&1 || true
}
trap cleanup EXIT
"$run" "$program" -AddService "$service"
"$run" "$program" -StartService "$service"

# Nanoseconds on a CPU, summed over the process's threads (the tick counts of /proc/PID/stat
# are too coarse for the few milliseconds an idle second costs).
ticks() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{t += $1} END {printf "%.0f\n", t}'; }
pid=$(pgrep -f 'idle-bench.Quillon.x64.exe' | head -1)
prefix=$(grep -o 'WINEPREFIX="[^"]*"' "$run" | cut -d'"' -f2)
server=""
for p in $(pgrep -x 'wineserver|wineserver64'); do
    if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix"; then server=$p; fi
done
sleep 5 # start-up settles
# IDLE_TRACE=1: the server calls of every thread for 3 s, into /tmp/idle-strace.txt.
if [ -n "${IDLE_TRACE:-}" ]; then timeout 3 strace -f -tt -x -e trace=read,write,writev -p "$pid" -o /tmp/idle-strace.txt || true; fi
p0=$(ticks "$pid") s0=$(ticks "$server")
sleep "$seconds"
p1=$(ticks "$pid") s1=$(ticks "$server")
awk -v p=$((p1 - p0)) -v s=$((s1 - s0)) -v hz=1000000000 -v t="$seconds" 'BEGIN {
    printf "idle service over %d s: %.3f s CPU, %.3f %% of a core (wineserver: %.3f s, %.3f %%)\n",
        t, p / hz, 100 * p / hz / t, s / hz, 100 * s / hz / t }'
