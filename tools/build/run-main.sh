#!/usr/bin/env bash
# The main job: builds the Windows programs (64-bit and 32-bit), says what was built, and runs
# the 64-bit simulator under Wine on a short demonstration.
set -euo pipefail
cd "$(dirname "$0")/../.."

for preset in win64 win32; do
    echo "=== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

echo
echo "Built Windows programs:"
find build/win64/tools build/win32/tools -name '*.exe' -printf '  %p  (%s bytes)\n' | sort

echo
echo "=== quillon-sim.exe under Wine: LCtrl + C remapped to LCtrl + V, A held for 320 ms"
json=build/win64/demo-settings.json
cat >"$json" <<'JSON'
{"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "Editing", "priority": 1, "actions": [
  {"kind": "Input", "trigger": "LCtrl(A) + C(1)", "sequences": ["LCtrl(A) + V(A)"]}]}]}]}
JSON
run=build/win64/wine-run.sh
trap '"$run" --stop' EXIT
"$run" build/win64/tools/config/quillon-config.exe build "Z:$PWD/$json" -o "Z:$PWD/build/win64/demo-settings.dat"
"$run" build/win64/tools/sim/quillon-sim.exe --settings "Z:$PWD/build/win64/demo-settings.dat" \
    -e 'd:LCtrl d:C u:C u:LCtrl t:10 d:A t:320 u:A' | tr -d '\r'
