#!/bin/sh
# Prepares or removes a directory holding a copy of the crash probe that nobody, root
# included, can write into (the immutable attribute).
#   readonly-dir.sh setup DIR PROBE | readonly-dir.sh cleanup DIR
set -e
dir=$2
if [ -d "$dir" ]; then
    chattr -i "$dir"
    rm -rf "$dir"
fi
if [ "$1" = setup ]; then
    mkdir -p "$dir"
    cp "$3" "$dir/crash_probe.exe"
    chattr +i "$dir"
    if touch "$dir/.probe" 2>/dev/null; then
        echo "readonly-dir.sh: $dir stays writable (no immutable attribute on this file system)" >&2
        exit 1
    fi
fi
