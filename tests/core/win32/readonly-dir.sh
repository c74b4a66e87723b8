#!/bin/sh
# Prepares or removes a directory holding a copy of the crash probe that nobody, root
# included, can write into (the immutable attribute). Where the file system has no such
# attribute, setup leaves DIR.unsupported instead and the test skips.
#   readonly-dir.sh setup DIR PROBE | readonly-dir.sh cleanup DIR
dir=$2
rm -f "$dir.unsupported"
if [ -d "$dir" ]; then
    chattr -i "$dir" 2>/dev/null
    rm -rf "$dir"
fi
if [ "$1" = setup ]; then
    mkdir -p "$dir" && cp "$3" "$dir/crash_probe.exe" || exit 1
    if ! chattr +i "$dir" 2>/dev/null || touch "$dir/.probe" 2>/dev/null; then
        echo "readonly-dir.sh: $dir cannot be made unwritable on this file system" >&2
        echo "no immutable attribute" > "$dir.unsupported"
    fi
fi
exit 0
