#!/bin/sh
# The Windows installer as a player meets it, in a fresh Wine prefix on a
# private display: a silent install with a chosen VST2 folder, then what it
# wrote (files, installation entry, uninstall entry, shortcuts), Help pressed
# in the installed Calibrix (and, first, in one that no installer placed:
# there Help must complain, so the check can fail), the installed plug-in
# loaded by the test host, an upgrade over the install, and a silent
# uninstall that leaves the player's settings and correction files and
# nothing else.
# Usage: installer-test.sh SOURCE BUILD WINE HELP_CHECK.exe HOST_TEST.exe
set -eu
source=$1 build=$2 wine=$3 help_check=$4 host_test=$5
installer=$("$source/packaging/windows/make-installer" "$build" "$build/packages-test")

# A home of its own: Wine links the user's Documents into it.
export WINEPREFIX="$build/installer-prefix" HOME="$build/installer-home" WINEDEBUG=-all \
    WINEDLLOVERRIDES='mscoree,mshtml='
wineserver=$(dirname "$wine")/wineserver
"$wineserver" -k 2>/dev/null || true
rm -rf "$WINEPREFIX" "$HOME"
mkdir -p "$HOME"
"$wine" wineboot -i >/dev/null 2>&1
"$wineserver" -w
trap '"$wineserver" -k 2>/dev/null || true' EXIT
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
windows() { printf 'Z:%s' "$1" | tr / '\\'; }
drive_c=$WINEPREFIX/drive_c
program_dir="$drive_c/Program Files/Kestrava Sonalve"
vst_dir="$drive_c/VSTPlugins"
menu_dir="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kestrava Sonalve"
value() { "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }

# The help viewer Help starts would keep the server waiting; the server
# must end by itself, or the registry is not saved.
close_help() {
    "$wine" taskkill /f /im hh.exe >/dev/null 2>&1 || true
    "$wineserver" -w
}

# Before any install, Help has nothing to open (so the check can fail).
if "$wine" "$help_check" "$(windows "$build/apps/calibrix/Calibrix.exe")" 2>/dev/null; then
    fail "Help raised no message without an installation"
fi
close_help
# The player's settings and a correction file in the data folder (Wine's
# Documents is the home folder here), which the uninstall must keep.
"$wine" reg add 'HKCU\Software\Kestrava Sonalve' /v alg_path /d None /f >/dev/null 2>&1
data_dir="$HOME/Kestrava Sonalve"
mkdir -p "$data_dir"
echo "mine" >"$data_dir/mine.alg"

"$wine" "$installer" /S '/VSTDIR=C:\VSTPlugins'
"$wineserver" -w
for file in Calibrix.exe kestrava.exe Help.chm KestravaFileAsio.dll Uninstall.exe; do
    [ -f "$program_dir/$file" ] || fail "$file is not in the product folder"
done
[ -f "$vst_dir/Sonalve.dll" ] || fail "Sonalve.dll is not in the chosen VST2 folder"
[ -f "$menu_dir/Calibrix.lnk" ] && [ -f "$menu_dir/Help.lnk" ] || fail "the Start-menu shortcuts are missing"
[ "$(value 'HKLM\SOFTWARE\Kestrava Sonalve' Install_Dir)" = 'C:\Program Files' ] ||
    fail "Install_Dir is '$(value 'HKLM\SOFTWARE\Kestrava Sonalve' Install_Dir)'"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrava Sonalve'
for name in DisplayName DisplayVersion Publisher UninstallString InstallLocation DisplayIcon EstimatedSize; do
    [ -n "$(value "$uninstall_key" $name)" ] || fail "the uninstall entry has no $name"
done

"$wine" "$help_check" 'C:\Program Files\Kestrava Sonalve\Calibrix.exe' || fail "Help from the installed Calibrix"
close_help
KESTRAVA_SONALVE_LIBRARY='C:\VSTPlugins\Sonalve.dll' "$wine" "$host_test" \
    --gtest_filter='HostTest.DescriptorAnswers:HostTest.PassThroughIsBitExactInBothPrecisions' ||
    fail "the installed plug-in did not load in the host"

# An upgrade goes over the same install.
"$wine" "$installer" /S
"$wineserver" -w
[ "$(value "$uninstall_key" InstallLocation)" = 'C:\Program Files\Kestrava Sonalve' ] || fail "the upgrade moved the install"
[ -f "$vst_dir/Sonalve.dll" ] || fail "the upgrade lost the VST2 folder"

"$wine" 'C:\Program Files\Kestrava Sonalve\Uninstall.exe' /S
"$wineserver" -w
[ ! -e "$program_dir" ] || fail "the product folder is still there: $(ls "$program_dir")"
[ ! -e "$vst_dir" ] || fail "the VST2 folder still holds: $(ls "$vst_dir")"
[ ! -e "$menu_dir" ] || fail "the Start-menu folder is still there"
"$wine" reg query 'HKLM\SOFTWARE\Kestrava Sonalve' >/dev/null 2>&1 && fail "the installation entry is still there"
"$wine" reg query "$uninstall_key" >/dev/null 2>&1 && fail "the uninstall entry is still there"
"$wine" reg query 'HKCU\Software\Kestrava Sonalve' >/dev/null 2>&1 || fail "the player's settings were removed"
[ -f "$data_dir/mine.alg" ] || fail "the player's correction file was removed"

[ $failures -eq 0 ] && echo "installer: installs, opens Help, loads the plug-in, upgrades and uninstalls cleanly"
exit $failures
