#!/bin/sh
# Runs the window test under Wine on a private Xvfb display (xvfb-run) and
# keeps the picture of the dialog as PNG in the build folder.
# Usage: window-test.sh WINE_RUN TEST.exe CALIBRIX.exe KESTRAVA.exe TAKE_DRIVER.dll WORK PNG
set -eu
wine_run=$1 test_exe=$2 calibrix=$3 kestrava=$4 driver=$5 work=$6 png=$7
rm -rf "$work"
mkdir -p "$work"
# Without a window manager Wine draws the windows' frames and captions
# itself when they are not managed.
"$wine_run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
windows() { printf 'Z:%s' "$1" | tr / '\\'; }
status=0
"$wine_run" "$test_exe" "$(windows "$calibrix")" "$(windows "$kestrava")" "$(windows "$driver")" \
    "$(windows "$work")" || status=$?
if [ -f "$work/calibrix-recording.bmp" ]; then
    convert "$work/calibrix-recording.bmp" "$png"
fi
exit $status
