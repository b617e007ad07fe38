#!/bin/sh
# Runs the built LV2 bundle in headless Ardour (ardour7-lua) on a private
# JACK server with its dummy backend: Ardour must list Sonalve among its LV2
# plug-ins, insert it in a track of a new session, run it, take a change of
# its Input port, and save the session with the plug-in's state.
# Usage: ardour-session.sh PATH/TO/plugin/lv2 SCRATCH-FOLDER
set -u
lv2_folder=$1
scratch=$2
lua=$(command -v ardour7-lua)
if [ -z "$lua" ] || ! command -v jackd > /dev/null; then
    echo "SKIPPED: ardour7-lua or jackd is missing; scripts/setup installs ardour and jackd2"
    exit 77
fi

rm -rf "$scratch"
mkdir -p "$scratch/home"
server=sonalve-ardour-$$
jackd --no-realtime -n "$server" -d dummy -r 48000 -p 256 > "$scratch/jackd.log" 2>&1 &
jackd_pid=$!
trap 'kill $jackd_pid 2>/dev/null; wait $jackd_pid 2>/dev/null' EXIT
# Ardour starts only once the server answers.
tries=0
until JACK_DEFAULT_SERVER="$server" jack_lsp > /dev/null 2>&1 || [ $tries -ge 50 ]; do
    sleep 0.2
    tries=$((tries + 1))
done

output=$(env -u DISPLAY HOME="$scratch/home" LV2_PATH="$lv2_folder" JACK_DEFAULT_SERVER="$server" \
    timeout 120 "$lua" 2>&1 <<LUA
local function say(...) print(...) io.stdout:flush() end
AudioEngine:set_backend("JACK", "", "")
AudioEngine:start(false)
local s = create_session("$scratch/session", "session", 48000)
for p in ARDOUR.LuaAPI.list_plugins():iter() do
    if p.type == ARDOUR.PluginType.LV2 then say("listed", p.name, p.unique_id) end
end
local track = s:new_audio_track(2, 2, nil, 1, "pickup", ARDOUR.PresentationInfo.max_order,
                                ARDOUR.TrackMode.Normal, true):front()
local plugin = ARDOUR.LuaAPI.new_plugin(s, "urn:kestrava:sonalve", ARDOUR.PluginType.LV2, "")
track:add_processor_by_index(plugin, 0, nil, true)
ARDOUR.LuaAPI.set_processor_param(plugin, 0, 0)
ARDOUR.LuaAPI.usleep(1000000)
say("input", ARDOUR.LuaAPI.get_processor_param(plugin, 0, true), "active", plugin:active())
s:save_state("", false, false, false, false, false)
close_session()
say("closed")
LUA
)
status=$?
echo "$output"
if [ $status -ne 0 ]; then
    echo "FAILED: ardour7-lua exited with status $status"
    exit 1
fi
for expected in 'listed[[:space:]]*Sonalve[[:space:]]*urn:kestrava:sonalve' 'input[[:space:]]*0\.0' \
                'active[[:space:]]*true' 'closed'; do
    if ! printf '%s\n' "$output" | grep -q "$expected"; then
        echo "FAILED: Ardour did not report: $expected"
        exit 1
    fi
done
if ! grep -q 'unique-id="urn:kestrava:sonalve"' "$scratch/session/session.ardour" \
    || ! grep -rq 'urn:kestrava:sonalve#programs' "$scratch/session/plugins"; then
    echo "FAILED: the saved session lacks the plug-in or its state"
    exit 1
fi
echo "Ardour listed, ran and saved Sonalve (LV2)"
