#!/usr/bin/env bash
# make test-monitors: the window tests that need two monitors side by side. Xvfb cannot give
# Wine two monitors; Xorg with the dummy driver and xrandr can (0,0-1024,768 and
# 1024,0-1824,600). The Wine session of the win64 build is restarted on that display for the
# run and stopped after it, so the next test run starts on its own Xvfb again.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset win64 >/dev/null
cmake --build --preset win64 --target test_actions

run=build/win64/wine-run.sh
work=$(mktemp -d)
xorg_pid=
cleanup() {
    "$run" --stop || true
    [ -n "$xorg_pid" ] && kill "$xorg_pid" 2>/dev/null && wait "$xorg_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The first free display number from 50 on.
number=50
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
    number=$((number + 1))
done
Xorg ":$number" -config "$PWD/tools/monitors/xorg-two-monitors.conf" -logfile "$work/xorg.log" \
    -noreset -nolisten tcp </dev/null >"$work/xorg.out" 2>&1 &
xorg_pid=$!
export DISPLAY=":$number"
for _ in $(seq 100); do
    xrandr >/dev/null 2>&1 && break
    sleep 0.1
done
xrandr --output DUMMY0 --mode 1024x768 --pos 0x0
xrandr --addmode DUMMY1 800x600
xrandr --output DUMMY1 --mode 800x600 --right-of DUMMY0
xrandr | grep ' connected'

"$run" --stop
"$run" build/win64/tests/actions/test_actions.exe --gtest_filter='*TwoMonitors*' \
    | tee "$work/test.out"
# Skipped means Wine did not see the two monitors: a failure here.
! grep -q '\[  SKIPPED \]' "$work/test.out"
