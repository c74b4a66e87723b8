#!/usr/bin/env bash
# make screenshots: pictures of the dialogs, taken under Wine on the build's own Xvfb, in
# docs/screenshots/. Each dialog is shown by quillon-dialog-shots, which says where its
# window is; ImageMagick's import takes that part of the screen.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset win64 >/dev/null
cmake --build --preset win64 --target quillon-dialog-shots

run=build/win64/wine-run.sh
shots=build/win64/tools/screenshots/quillon-dialog-shots.exe
out=docs/screenshots
mkdir -p "$out"

# A session of our own on the prefix's Xvfb, never the user's display.
unset DISPLAY
"$run" --stop
"$run" --start
trap '"$run" --stop' EXIT
read -r number _ <build/win64/wine/prefix.xvfb
display=":$number"

take() {
    local which=$1 file=$2 word left top right bottom
    coproc SHOW { "$run" "$shots" "$which"; }
    if ! read -r -t 60 word left top right bottom <&"${SHOW[0]}" || [ "$word" != window ]; then
        echo "screenshots: $which did not show" >&2
        exit 1
    fi
    bottom=${bottom%$'\r'} # Wine's console writes CR LF
    import -display "$display" -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$out/$file"
    echo >&"${SHOW[1]}"
    wait "$SHOW_PID"
    echo "$out/$file"
}

take options input-dialog.png
take group input-dialog-text.png
take recorder key-recorder.png
take editor key-sequence-editor.png
take main main-dialog.png
take menu context-menu.png
take tray tray-menu.png
take about about-box.png
