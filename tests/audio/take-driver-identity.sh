#!/bin/sh
# Designs, with the native tool, every take the Windows build's take-driver
# test recorded through kestrava.exe and the registered take driver, and
# fails unless each design equals that recording's correction file byte for
# byte.
# Usage: take-driver-identity.sh NATIVE_KESTRAVA RESULTS_DIR WORK_DIR
# Without the Windows results it reports a skip (77), unless
# KESTRAVA_IDENTITY_REQUIRED=1 makes that a failure.
set -eu
native=$1
results=$2
work=$3

if ! ls "$results"/*/record.alg >/dev/null 2>&1; then
    echo "no take-driver recordings in $results (run the windows preset's take_driver_tests first)"
    if [ "${KESTRAVA_IDENTITY_REQUIRED:-0}" = 1 ]; then
        exit 1
    fi
    exit 77
fi

rm -rf "$work"
mkdir -p "$work"
for recording in "$results"/*/; do
    name=$(basename "$recording")
    "$native" design "$recording/take.wav" -o "$work/$name.alg" >/dev/null
    cmp "$work/$name.alg" "$recording/record.alg"
    echo "$name: the native design equals the recording through the take driver"
done
