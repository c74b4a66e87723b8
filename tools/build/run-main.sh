#!/usr/bin/env bash
# The main job: builds the Windows programs, then shows the product at work under Wine. The
# 64-bit program is installed as a service in a directory of its own, with a demonstration
# configuration built from JSON; the filter driver's stand-in feeds it a short session of key
# and mouse records and prints each beside what the system receives; then the service is
# stopped and removed.
set -euo pipefail
cd "$(dirname "$0")/../.."

# Only the programs: the tests and benchmarks are for make test, and a first run on a fresh
# machine reaches the demonstration in about a minute instead of three.
programs=(--target quillon quillon-config quillon-filter quillon-sim quillon-keyviewer)

echo "=== win64: configure and build the programs"
cmake --preset win64 >/dev/null
cmake --build --preset win64 "${programs[@]}"

run=build/win64/wine-run.sh
demo=build/win64/demo
service=QuillonDemo
wine_path() { echo "Z:$PWD/$1"; }

rm -rf "$demo"
mkdir -p "$demo"
cp build/win64/app/Quillon.x64.exe "$demo/"
program="$(wine_path "$demo/Quillon.x64.exe")"

# On an interruption the service is taken away again. Only then: a failing service command
# shows a message box, which would wait for a user.
installed=0
cleanup() {
    if [ "$installed" -eq 1 ]; then
        "$run" "$program" -StopService "$service" >/dev/null 2>&1 || true
        "$run" "$program" -RemoveService "$service" >/dev/null 2>&1 || true
    fi
    "$run" --stop
}
trap cleanup EXIT

echo
echo "=== The demonstration configuration (tools/demo/settings.json), built into Settings.dat"
sed 's/^/  /' tools/demo/settings.json
"$run" build/win64/tools/config/quillon-config.exe build "$(wine_path tools/demo/settings.json)" \
    -o "$(wine_path "$demo/Settings.dat")"

echo
echo "=== Quillon.x64.exe -ProtectProgramFolder, -AddService $service, -StartService $service"
# The stand-in waits for the service's engine to open the device, then plays the session.
"$run" build/win64/tools/filterstandin/quillon-filter.exe --wait-client 30000 --settle 60 \
    "$(wine_path tools/demo/session.txt)" >"$demo/session.log" 2>&1 &
standin=$!
installed=1
# As the installer does: the service refuses a program folder that non-administrators may change.
"$run" "$program" -ProtectProgramFolder
"$run" "$program" -AddService "$service"
"$run" "$program" -StartService "$service"
echo "  service running"

echo
echo "=== Records fed as hardware input (left) and what the system receives (right)"
status=0
wait "$standin" || status=$?
tr -d '\r' <"$demo/session.log" | sed 's/^/  /'
[ "$status" -eq 0 ] || { echo "quillon-filter failed (exit code $status)" >&2; exit "$status"; }

echo
echo "=== Quillon.x64.exe -StopService $service, -RemoveService $service"
"$run" "$program" -StopService "$service"
"$run" "$program" -RemoveService "$service"
installed=0
echo "  service stopped and removed"

echo
echo "=== Without the filter driver: Quillon.x64.exe -RunAsProgram captures the session's input itself"
echo "    with low-level hooks. Keys and clicks typed through X11 (XTEST, as a keyboard and mouse"
echo "    would) into a window that prints what it receives: A (passes), LCtrl + C (becomes"
echo "    LCtrl + V), the middle button (Enter), D held for 0.5 s with the X server's repeat off (the"
echo "    engine repeats it: 250 ms, then 30 a second), Escape (ends the window)."
"$run" build/win64/tools/keyviewer/quillon-keyviewer.exe 25 >"$demo/viewer.log" 2>&1 &
viewer=$!
"$run" "$program" -RunAsProgram >/dev/null 2>&1 &
engine=$!
# The program is ready once its hooks are in place; give the window a moment as well.
sleep 3
xtest=(build/win64/wine-run.sh --host tools/xtest/quillon-xtest)
"${xtest[@]}" m:300,250 b1 r:off ka k+Control_L kc k-Control_L b2 k+d s:500 k-d r:on kEscape
wait "$viewer" || true
kill "$engine" 2>/dev/null || true
wait "$engine" 2>/dev/null || true
tr -d '\r' <"$demo/viewer.log" | grep -v '^$' | sed 's/^/  /'

echo
echo "=== win32: configure and build (32-bit programs cannot run on this machine)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 "${programs[@]}"

echo
echo "Built Windows programs:"
find build/win64/app build/win64/tools build/win32/app build/win32/tools -name '*.exe' -printf '  %p  (%s bytes)\n' | sort
