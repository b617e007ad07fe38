#!/bin/sh
# Runs a command with the build prefix's Wine server started afresh on the
# current display. Wine's desktop belongs to the display of the server's first
# program: a server left behind by a console test has none, and windows made
# under it never appear. The server is ended again afterwards, so later tests
# do not inherit a display that is gone. Tests using this run alone.
# Usage: wine-own-server.sh WINE_RUN COMMAND [ARGUMENTS...]
set -eu
wine_run=$1
shift
"$wine_run" --wineserver -k 2>/dev/null || true
"$wine_run" --wineserver -w 2>/dev/null || true
trap '"$wine_run" --wineserver -k 2>/dev/null || true' EXIT
"$@"
