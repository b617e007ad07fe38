#!/bin/sh
# Runs the take driver's control-panel check on a private X display and keeps
# a screenshot of the take dialog as the user sees it.
# Usage: take-panel.sh WINE_RUN CHECK_PROGRAM DRIVER_DLL WORK_DIR SCREENSHOT
set -eu
wine_run=$1
program=$2
dll=$3
work=$4
shot=$5

windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

rm -rf "$work" "$shot"
mkdir -p "$work"
"$(dirname "$0")/../../support/wine-own-server.sh" "$wine_run" xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    "$1" "$2" "$3" "$4" &
    check=$!
    waited=0
    while [ ! -f "$5/ready" ] && kill -0 "$check" 2>/dev/null && [ "$waited" -lt 600 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    if [ -f "$5/ready" ]; then
        sleep 1
        import -window root "$6"
    fi
    touch "$5/shot"
    wait "$check"
' sh "$wine_run" "$program" "$(windows_path "$dll")" "$(windows_path "$work")" "$work" "$shot"
test -s "$shot"
