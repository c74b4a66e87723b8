#!/usr/bin/env bash
# The main job: builds the Windows programs (64-bit and 32-bit) and says what was built.
set -euo pipefail
cd "$(dirname "$0")/../.."

for preset in win64 win32; do
    echo "=== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

echo
echo "Built Windows programs:"
find build/win64 build/win32 -name '*.exe' -not -path '*/CMakeFiles/*' -printf '  %p  (%s bytes)\n' | sort
