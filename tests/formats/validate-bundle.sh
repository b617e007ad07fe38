#!/bin/sh
# Checks the built LV2 bundle's Turtle: every file parses (sordi) and the
# descriptions satisfy LV2's own schemas (lv2_validate), with no error and
# no warning.
# Usage: validate-bundle.sh PATH/TO/sonalve.lv2
set -u
bundle=$1
status=0
for ttl in "$bundle"/*.ttl; do
    if ! sordi "$ttl" > /dev/null; then
        echo "FAILED: $ttl does not parse"
        status=1
    fi
done
report=$(lv2_validate "$bundle"/*.ttl 2>&1)
echo "$report" | grep -v '^Skipping\|^Reading'
# lv2_validate ends with "Found N errors"; any other line naming an error
# or a warning fails the check.
if echo "$report" | grep -v '^Found 0 errors' | grep -qi 'error\|warn'; then
    status=1
fi
exit $status
