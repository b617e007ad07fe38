#!/bin/sh
# Runs the identity program of the native build and of the Windows build
# (under Wine) and fails unless both write the same bytes.
# Usage: compare.sh NATIVE_PROGRAM WINDOWS_PROGRAM WINE_RUN WORK_DIR
# Without a Windows build it reports a skip (77), unless
# KESTRAVA_IDENTITY_REQUIRED=1 makes that a failure.
set -eu
native=$1
windows=$2
wine_run=$3
work=$4

if [ ! -x "$windows" ] || [ ! -x "$wine_run" ]; then
    echo "no Windows build at $windows (configure and build the windows preset first)"
    if [ "${KESTRAVA_IDENTITY_REQUIRED:-0}" = 1 ]; then
        exit 1
    fi
    exit 77
fi

rm -rf "$work"
mkdir -p "$work/linux" "$work/windows"

# Plain file names in the working folder keep Wine's path mapping out of it.
(cd "$work/linux" && "$native" output.bin)
(cd "$work/windows" && "$wine_run" "$windows" output.bin)

cmp "$work/linux/output.bin.alg" "$work/windows/output.bin.alg"
cmp "$work/linux/output.bin" "$work/windows/output.bin"
echo "Linux and Windows outputs are identical"
