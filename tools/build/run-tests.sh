#!/usr/bin/env bash
# Configures, builds and tests each preset given, one build at a time (the machine has two
# cores), and prints one summary line at the end.
set -uo pipefail
cd "$(dirname "$0")/../.."

failed=()
passed=0
for preset in "$@"; do
    echo "=== $preset: configure and build"
    if ! cmake --preset "$preset" >"build-$preset.log" 2>&1; then
        cat "build-$preset.log"; failed+=("$preset(configure)"); continue
    fi
    rm -f "build-$preset.log"
    if ! cmake --build --preset "$preset"; then
        failed+=("$preset(build)"); continue
    fi
    if [ "$preset" = win32 ]; then
        echo "=== $preset: built and linked (32-bit programs cannot run on this machine)"
        passed=$((passed + 1))
        continue
    fi
    echo "=== $preset: test"
    if ctest --preset "$preset"; then
        passed=$((passed + 1))
    else
        failed+=("$preset(test)")
    fi
done

echo
echo "presets: ${passed} passed, ${#failed[@]} failed${failed:+: ${failed[*]}}"
[ ${#failed[@]} -eq 0 ]
