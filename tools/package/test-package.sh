#!/usr/bin/env bash
# Checks what make-package.sh wrote to dist/ (slow: a fresh Wine prefix, about two minutes):
#  - the zip holds exactly the listed files; every program is stripped and carries the version
#    resource of VERSION and the manifest (read back with windres); the launcher imports only
#    kernel32 and the C runtime; the setup is a 32-bit installer;
#  - the installer, built from the same script as a 64-bit program with the 64-bit launcher
#    in place of the 32-bit one (32-bit programs cannot run here), installs silently into a
#    fresh prefix: program files, the service registered and running (its engine opens the
#    filter driver's stand-in), the tray icon in the Run key, the Start menu's settings entry,
#    the uninstall entry, the log; installs again over the running service;
#  - with a stale service left behind (disabled, another folder), the silent install ends
#    within its bound with the start's exit code and a log line;
#  - the silent uninstall then leaves no service, no program files, no registry entries, and
#    keeps Settings.dat;
#  - an upgrade over the previous release's layout (Settings.dat and crash files beside the
#    programs) with the service and a tray icon running: the tray is asked to exit, the
#    programs are replaced, Settings.dat is kept, the crash files are gone, the service runs
#    the new programs; a tray started afterwards gives the user the configured settings.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

version=$(head -n1 VERSION)
zip=dist/Quillon-$version-windows.zip
setup=dist/Quillon-$version-setup.exe
for f in "$zip" "$setup" dist/Quillon-"$version"-debug.zip; do
    [ -f "$f" ] || { echo "missing $f: run make package" >&2; exit 1; }
done
filter=build/release-win64/tools/filterstandin/quillon-filter.exe
launcher64=build/release-win64/launcher/Quillon.exe
for f in "$filter" "$launcher64"; do
    [ -f "$f" ] || { echo "missing $f: run make package" >&2; exit 1; }
done

failures=0
seconds_since() { local ms=$((($(date +%s%N) - $1) / 1000000)); printf '%d.%d' $((ms / 1000)) $((ms % 1000 / 100)); }
check() { # check DESCRIPTION COMMAND...
    if "${@:2}"; then echo "  ok    $1"; else echo "  FAIL  $1"; failures=$((failures + 1)); fi
}

work=build/package-test
rm -rf "$work"
mkdir -p "$work/stage"
echo "=== the zip"
unzip -q "$zip" -d "$work/stage"
expected="LICENSE.txt MacBookPro.dat Quillon.exe Quillon.x64.exe Quillon.x86.exe README.txt"
actual=$(cd "$work/stage" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
check "holds exactly: $expected" test "$actual" = "$expected"
check "the debug zip holds the three debug files" test \
    "$(unzip -Z1 dist/Quillon-"$version"-debug.zip | LC_ALL=C sort | tr '\n' ' ')" = \
    "Quillon.exe.debug Quillon.x64.exe.debug Quillon.x86.exe.debug "

has_resources() { # program format description
    local rc
    rc=$(x86_64-w64-mingw32-windres -i "$1" -O rc 2>/dev/null | grep -v '^  0x') || return 1
    x86_64-w64-mingw32-objdump -f "$1" | grep -q "file format $2" &&
        grep -q "FILEVERSION ${version//./, }, 0" <<<"$rc" &&
        grep -q "VALUE \"ProductVersion\", \"$version\"" <<<"$rc" &&
        grep -q "VALUE \"FileVersion\", \"$version.0\"" <<<"$rc" &&
        grep -q 'VALUE "CompanyName", "Velmora"' <<<"$rc" &&
        grep -q "VALUE \"FileDescription\", \"$3\"" <<<"$rc" &&
        grep -q "VALUE \"ProductName\", \"Quillon\"" <<<"$rc" &&
        grep -q 'RT_MANIFEST' <<<"$rc" &&
        grep -q "name=\"\"Velmora.Quillon\"\" version=\"\"$version.0\"\"" <<<"$rc"
}
stripped() { ! x86_64-w64-mingw32-objdump -h "$1" | grep -q '\.debug_'; }
for program in "Quillon.exe pei-i386 Quillon launcher" "Quillon.x64.exe pei-x86-64 Quillon keyboard and mouse remapper" \
    "Quillon.x86.exe pei-i386 Quillon keyboard and mouse remapper"; do
    read -r name format description <<<"$program"
    check "$name: $format, version $version, manifest" has_resources "$work/stage/$name" "$format" "$description"
    check "$name: stripped" stripped "$work/stage/$name"
done
check "Quillon.exe imports only KERNEL32.dll and msvcrt.dll" test \
    "$(x86_64-w64-mingw32-objdump -p "$work/stage/Quillon.exe" | sed -n 's/.*DLL Name: //p' | LC_ALL=C sort | tr '\n' ' ')" \
    = "KERNEL32.dll msvcrt.dll "
check "the setup is a 32-bit program" sh -c "x86_64-w64-mingw32-objdump -f '$setup' | grep -q 'file format pei-i386'"

echo "=== the installer under Wine (64-bit build of the same script)"
# Wine here runs no 32-bit program, and a 32-bit one started anyway "ends" with 0.
mkdir -p "$work/stage64"
cp "$work/stage"/* "$work/stage64/"
cp "$launcher64" "$work/stage64/Quillon.exe"
makensis -V1 -DAMD64 -DVERSION="$version" -DSTAGE="$root/$work/stage64" -DICON="$root/widgets/win32/Quillon.ico" \
    -DOUTFILE="$root/$work/setup64.exe" package/Quillon.nsi

# A fresh prefix with the test runner's set-up (own server and display, no debugger).
sed "s|@QUILLON_WINEPREFIX@|$root/$work/wine/prefix|" cmake/wine-run.sh.in >"$work/wine-run.sh"
chmod +x "$work/wine-run.sh"
run="$work/wine-run.sh"
trap '"$run" --stop >/dev/null 2>&1 || true' EXIT
"$run" --start

prefix=$work/wine/prefix
dir="$prefix/drive_c/Program Files/Quillon"
reg_has() { "$run" reg query "$1" ${2:+/v "$2"} >/dev/null 2>&1; }
service_state() { "$run" sc query Quillon 2>/dev/null | tr -d '\r' | sed -n 's/.*STATE *: *[0-9]* *//p'; }
setup_log="$prefix/drive_c/users/$(id -un)/Temp/Quillon-setup.log"
log_has() { grep -q -F -- "$1" "$setup_log" 2>/dev/null; }
same_file() { cmp -s "$1" "$2"; }
# Runs the installer silently under a bound; leaves its exit code in $status and its seconds in
# $took.
run_setup() {
    local start
    start=$(date +%s%N)
    status=0
    timeout 200 "$run" "Z:$root/$work/setup64.exe" /S "$@" || status=$?
    took=$(seconds_since "$start")
}
# Whether a process of this prefix runs a command line matching the pattern (other prefixes'
# trays may run beside this test).
running() {
    local p
    for p in $(pgrep -f -- "$1"); do
        { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$root/$prefix" && return 0
    done
    return 1
}
# Wait (at most 20 s) until a process matching the pattern runs, or none does.
appears() {
    for _ in $(seq 100); do
        running "$1" && return 0
        sleep 0.2
    done
    return 1
}
gone() {
    for _ in $(seq 100); do
        running "$1" || return 0
        sleep 0.2
    done
    return 1
}
tray='Quillon.x64.exe -TrayIcon'
no_tray() { ! running "$tray"; }
# Whether the process runs (an ended one may linger as a zombie, without a command line).
alive() { [ -n "$(tr -d '\0' 2>/dev/null <"/proc/$1/cmdline")" ]; }
ended() { [ -n "$1" ] && ! alive "$1"; }
exit_trays() { "$run" "C:\\Program Files\\Quillon\\Quillon.x64.exe" -Quiet -ExitInstances >/dev/null 2>&1 || true; }

# The stand-in waits for the service's engine to open the device, feeds one key, and ends.
printf 'key 0x1E down\nkey 0x1E up\n' >"$work/keys.txt"
"$run" "$filter" --wait-client 60000 "Z:$root/$work/keys.txt" >"$work/filter.log" 2>&1 &
standin=$!

run_setup
check "silent install exits with 0 (got $status) in $took s" test "$status" -eq 0
check "the log ends with \"Installed.\"" sh -c "tail -n1 '$setup_log' | grep -q '^Installed.'"
check "the log names every command with -Quiet" sh -c "grep -q 'Running .*Quillon.x64.exe\" -Quiet -AddServiceIfNotAdded' '$setup_log' && ! grep 'Running ' '$setup_log' | grep -v -q -- ' -Quiet '"
for f in Quillon.exe Quillon.x64.exe Quillon.x86.exe README.txt LICENSE.txt Uninstall.exe; do
    check "installed $f" test -f "$dir/$f"
done
check "service running (state: $(service_state))" test "$(service_state)" = RUNNING
check "service runs Quillon.x64.exe" sh -c "'$run' reg query 'HKLM\\SYSTEM\\CurrentControlSet\\Services\\Quillon' /v ImagePath | grep -q 'Quillon\\\\Quillon.x64.exe\" -Service Quillon'"
filter_status=0
wait "$standin" || filter_status=$?
check "the service's engine served the filter stand-in (exit $filter_status)" test "$filter_status" -eq 0
check "tray icon in the Run key" sh -c "'$run' reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run' /v Quillon | grep -q 'Quillon.exe\" -TrayIcon'"
check "uninstall entry with version $version" sh -c "'$run' reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillon' /v DisplayVersion | grep -q '$version'"
shortcut="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quillon Settings.lnk"
check "Start menu entry opens the settings (-Settings)" sh -c "tr -d '\\000' <'$shortcut' | grep -q -- '-Settings'"
check "a silent install starts no tray icon unless asked" no_tray

# An upgrade: the same installer again over the running service (which it must stop first:
# starting a running service fails with a message box).
run_setup /StartTray
check "installing again over the running service exits with 0 (got $status)" test "$status" -eq 0
check "service running again (state: $(service_state))" test "$(service_state)" = RUNNING
check "/StartTray: the desktop shell started the tray icon" appears "$tray"
exit_trays
check "the tray icon exits when asked" gone "$tray"

echo "=== a command that fails: a stale service left behind (disabled, another folder)"
"$run" sc stop Quillon >/dev/null 2>&1 || true
for _ in $(seq 50); do [ "$(service_state)" = RUNNING ] || break; sleep 0.2; done
"$run" sc delete Quillon >/dev/null 2>&1
for _ in $(seq 50); do reg_has 'HKLM\SYSTEM\CurrentControlSet\Services\Quillon' || break; sleep 0.2; done
"$run" sc create Quillon binpath= 'C:\Stale\Quillon.x64.exe -Service Quillon' start= disabled >/dev/null
run_setup
check "the install ends with the start's exit code 12 (got $status) within its bound ($took s)" test "$status" -eq 12
check "the log says why" log_has "Quillon could not start its service (exit code 12)."
"$run" sc delete Quillon >/dev/null 2>&1
for _ in $(seq 50); do reg_has 'HKLM\SYSTEM\CurrentControlSet\Services\Quillon' || break; sleep 0.2; done
run_setup
check "without the stale service the install succeeds again (got $status)" test "$status" -eq 0
check "service running (state: $(service_state))" test "$(service_state)" = RUNNING

# The user's configuration, which the silent uninstall must keep.
printf 'the user configuration' >"$dir/Settings.dat"

echo "=== the silent uninstall"
start=$(date +%s%N)
status=0
timeout 120 "$run" "C:\\Program Files\\Quillon\\Uninstall.exe" /S || status=$?
# The uninstaller runs on from a copy of itself in the temporary folder: wait for its end.
for _ in $(seq 600); do
    [ -e "$dir/Uninstall.exe" ] || reg_has 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon' || break
    sleep 0.2
done
check "silent uninstall exits with 0 (got $status), done in $(seconds_since "$start") s" test "$status" -eq 0
check "no service" sh -c "! '$run' reg query 'HKLM\\SYSTEM\\CurrentControlSet\\Services\\Quillon' >/dev/null 2>&1"
check "no program files: only Settings.dat is left" test "$(ls -A "$dir" 2>/dev/null | tr '\n' ' ')" = "Settings.dat "
check "Settings.dat kept as it was" test "$(cat "$dir/Settings.dat" 2>/dev/null)" = "the user configuration"
check "no Run key entry" sh -c "! '$run' reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run' /v Quillon >/dev/null 2>&1"
check "no uninstall entry" sh -c "! '$run' reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillon' >/dev/null 2>&1"
check "no Start menu entry" test ! -e "$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quillon Settings.lnk"
# The server writes the registry files when it ends: nothing in them may name Quillon (the
# drivers' services and filter entries included), nor wait for a restart.
"$run" --stop
check "no registry entry names Quillon" sh -c "! grep -i -n quillon '$prefix/system.reg' '$prefix/user.reg'"

echo "=== an upgrade over the previous release's layout, with a tray icon running"
"$run" --start
rm -rf "$dir"
mkdir -p "$dir"
# The previous release kept settings beside the programs only: its user has no folder of their
# own yet (the trays of the sections above made one).
rm -rf "$prefix/drive_c/users/$(id -un)/AppData/Roaming/Quillon"
# The previous release's programs: these with a tail, so that a replaced file shows.
for f in Quillon.exe Quillon.x64.exe Quillon.x86.exe; do
    cp "$work/stage64/$f" "$dir/$f"
    printf 'previous release' >>"$dir/$f"
done
cp "$work/stage64/README.txt" "$work/stage64/LICENSE.txt" "$dir/"
cp "$work/stage64/MacBookPro.dat" "$dir/Settings.dat"
printf 'old crash log' >"$dir/CrashLog_2024-01-01_00-00-00.txt"
printf 'old dump' >"$dir/MiniDump_2024-01-01_00-00-00.dmp"
printf 'old dump' >"$dir/FullDump_2024-01-01_00-00-00.dmp"
"$run" reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon' /v InstallLocation /d 'C:\Program Files\Quillon' /f >/dev/null
"$run" "C:\\Program Files\\Quillon\\Quillon.x64.exe" -Quiet -AddService >/dev/null 2>&1
"$run" "C:\\Program Files\\Quillon\\Quillon.x64.exe" -Quiet -StartService >/dev/null 2>&1
check "the previous release's service runs (state: $(service_state))" test "$(service_state)" = RUNNING
"$run" "C:\\Program Files\\Quillon\\Quillon.exe" -TrayIcon >/dev/null 2>&1 &
check "a tray icon runs" appears "$tray"
tray_pid=$(pgrep -f -- "$tray" | while read -r p; do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$root/$prefix" && echo "$p"
done | head -n1)
# The tray writes Settings.dat in its version at its start: what it holds then is the
# configuration the upgrade must keep.
sleep 2
cp "$dir/Settings.dat" "$work/configured.dat"

run_setup
check "the upgrade exits with 0 (got $status) in $took s" test "$status" -eq 0
check "the running tray icon exited" ended "$tray_pid"
check "the log has the exit request" log_has "-Quiet -ExitInstances C:\Program Files\Quillon"
check "the log has the tray started again for the user" log_has "-Quiet -StartAsDesktopUser -TrayIcon"
check "the user's tray icon runs again" appears "$tray"
for f in Quillon.exe Quillon.x64.exe Quillon.x86.exe; do
    check "$f replaced" same_file "$dir/$f" "$work/stage64/$f"
done
check "Settings.dat kept as it was" same_file "$dir/Settings.dat" "$work/configured.dat"
check "the old crash files are gone" sh -c "! ls '$dir' | grep -q -e CrashLog_ -e Dump_"
check "the service runs the new programs (state: $(service_state))" test "$(service_state)" = RUNNING
check "uninstall entry with version $version" sh -c "'$run' reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillon' /v DisplayVersion | grep -q '$version'"
# The user's first tray start after the upgrade took the configured settings for their own.
appdata="$prefix/drive_c/users/$(id -un)/AppData/Roaming/Quillon/Settings.dat"
for _ in $(seq 50); do [ -f "$appdata" ] && break; sleep 0.2; done
check "the user's first tray start copied the configured settings" same_file "$appdata" "$work/configured.dat"
exit_trays
check "the tray icon exits when asked" gone "$tray"
"$run" --stop

echo
if [ "$failures" -ne 0 ]; then
    echo "package test: $failures failed (${SECONDS} s)"
    exit 1
fi
echo "package test: all passed in ${SECONDS} s"
