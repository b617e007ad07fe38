#!/bin/sh
# Scans the built Sonalve.so with Ardour's own VST scanner, as Ardour does
# when it looks for plug-ins, and checks what it read: an effect named
# Sonalve with two inputs and two outputs.
# Usage: ardour-scan.sh PATH/TO/Sonalve.so SCRATCH-FOLDER
set -u
plugin=$1
scratch=$2
scanner_dir=/usr/lib/ardour7
scanner=$scanner_dir/ardour-vst-scanner

if [ ! -x "$scanner" ]; then
    echo "SKIPPED: $scanner is missing; scripts/setup installs it with the Debian package ardour"
    exit 77
fi

rm -rf "$scratch"
mkdir -p "$scratch/home" "$scratch/cache"
# The scanner writes its cache under the user's folders; keep it in the
# build tree, and keep the effect from opening desktop dialogs.
output=$(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$scratch/home" XDG_CACHE_HOME="$scratch/cache" \
    LD_LIBRARY_PATH=$scanner_dir timeout 120 "$scanner" -v "$plugin" 2>&1)
status=$?
echo "$output"
if [ $status -ne 0 ]; then
    echo "FAILED: the scanner exited with status $status"
    exit 1
fi
for expected in 'name="Sonalve"' 'category="Effect"' 'n_inputs="2"' 'n_outputs="2"' \
                'is_instrument="0"' 'can_process_replace="1"' 'has_editor="1"'; do
    if ! printf '%s\n' "$output" | grep -q "<VST2Info .*$expected"; then
        echo "FAILED: the scan did not report $expected"
        exit 1
    fi
done
echo "Ardour reads Sonalve as a stereo effect"
