#!/usr/bin/env bash
# Builds the fuzz targets (preset fuzz: clang, libFuzzer, ASan and UBSan) and runs each for
# FUZZ_SECONDS seconds (default 45). Arguments name the targets to build and run (default:
# all), e.g. `run-fuzz.sh agent_message_from_agent agent_message_from_service`. Each target
# works on a copy of its committed seed corpus in build/fuzz/corpus/<target>; an input that
# crashes or breaks an oracle is saved in tests/fuzz/found/<target>/, where test_tools replays
# it. Prints one summary line at the end and exits non-zero when any target found something.
set -uo pipefail
cd "$(dirname "$0")/../.."

seconds=${FUZZ_SECONDS:-45}
all=(settings_file config_json simulator_script engine agent_message_from_agent agent_message_from_service)
if [ $# -gt 0 ]; then
    targets=("$@")
    for target in "${targets[@]}"; do
        if [[ " ${all[*]} " != *" $target "* ]]; then
            echo "no fuzz target $target; there are: ${all[*]}" >&2
            exit 2
        fi
    done
else
    targets=("${all[@]}")
fi

if ! cmake --preset fuzz >build-fuzz.log 2>&1; then
    cat build-fuzz.log
    exit 1
fi
rm -f build-fuzz.log
cmake --build build/fuzz --target "${targets[@]/#/fuzz_}" || exit 1

found=()
for target in "${targets[@]}"; do
    corpus=build/fuzz/corpus/$target
    artifacts=tests/fuzz/found/$target
    mkdir -p "$corpus" "$artifacts"
    cp -n tools/fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null
    echo "=== fuzz_$target: $seconds s (log: build/fuzz/fuzz_$target.log)"
    if build/fuzz/tools/fuzz/fuzz_"$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" >"build/fuzz/fuzz_$target.log" 2>&1; then
        grep -E "stat::number_of_executed_units|stat::new_units_added" "build/fuzz/fuzz_$target.log"
    else
        tail -n 30 "build/fuzz/fuzz_$target.log"
        found+=("$target")
    fi
    rmdir "$artifacts" 2>/dev/null
done

echo
echo "fuzz targets: $((${#targets[@]} - ${#found[@]})) clean, ${#found[@]} found something${found:+: ${found[*]}}"
[ ${#found[@]} -eq 0 ]
