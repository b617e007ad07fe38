#!/bin/sh
# The editor's bitmaps must be the same pixels on both platforms: compares
# the BMP files this build drew with those of the Windows build.
# Usage: compare-artwork.sh THIS-ARTWORK-FOLDER WINDOWS-ARTWORK-FOLDER
set -u
here=$1
windows=$2
if [ ! -d "$windows" ]; then
    echo "SKIPPED: no Windows build at $windows"
    exit 77
fi
status=0
for id in 128 131 132 133 134 135; do
    if ! cmp "$here/bitmap$id.bmp" "$windows/bitmap$id.bmp"; then
        echo "FAILED: bitmap $id differs"
        status=1
    fi
done
exit $status
