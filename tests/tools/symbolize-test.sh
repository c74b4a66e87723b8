#!/usr/bin/env bash
# tools/symbolize on the crash log of a stripped program: the log itself has bare addresses,
# the tool names the crashing function and its source line from the build's debug file.
#   symbolize-test.sh WINE_RUN PROGRAM SYMBOLIZE
set -u
wine_run=$1 program=$2 symbolize=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# Only the program goes to the "user's machine"; its debug file stays in the build.
name=$(basename "$program")
cp "$program" "$dir/$name"
"$wine_run" "$dir/$name" write0 quiet
log=$(ls "$dir"/CrashLog_*.txt 2>/dev/null | head -1)
[ -n "$log" ] || { echo "no crash log"; exit 1; }
if grep -q gf_CrashProbe_WriteZero "$log"; then
    echo "the log names the function already: the program is not stripped"; exit 1
fi
out=$("$symbolize" "$log" --debug-dir "$(dirname "$program")") || { echo "symbolize failed"; exit 1; }
echo "$out" | head -40
echo "$out" | grep -Eq '^Exception address: 0x[0-9a-f]{16} \(crash_probe_stripped!gf_CrashProbe_WriteZero\)$' ||
    { echo "exception address not named"; exit 1; }
echo "$out" | grep -Eq '/CrashProbe\.cpp:[0-9]+' || { echo "no source line"; exit 1; }
echo "$out" | grep -Eq '^0x[0-9a-f]{16} crash_probe_stripped!main' || { echo "caller not named"; exit 1; }
