#!/bin/sh
# Builds Vantrel and starts it against the simulated phone, which serves a copy
# of phone-sample/. Settings, data and cache live in a folder of their own,
# never the user's.
set -e
cd "$(dirname "$0")/.."

# Say it before a build that would only end in a window that cannot open.
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ]; then
    echo "No display to show the window on. Start it from a desktop session," >&2
    echo "or under a virtual one: xvfb-run -a scripts/run-demo.sh" >&2
    exit 1
fi

scripts/install-deps.sh demo
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Only what the demo runs: the window (with its language files) and the simulated phone.
cmake --build build --target vantrel vantrel-phonesim

demo=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-demo.XXXXXX")
simulator=""
# Runs however the session ends: window closed, simulator gone, Ctrl-C or kill.
cleanup() {
    set +e
    if [ -n "$simulator" ]; then
        kill "$simulator" 2>/dev/null
        wait "$simulator" 2>/dev/null
    fi
    rm -rf "$demo"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

cp -r phone-sample "$demo/phone"
mkdir -p "$demo/config/Vantrel"
# Port 4 (the default) opens the simulated phone's terminal.
printf '[Ports]\nCOM4=%s\n' "$demo/phone.tty" > "$demo/config/Vantrel/Vantrel.conf"

build/bin/vantrel-phonesim --root "$demo/phone" --link "$demo/phone.tty" --baud 115200 \
    --log "$demo/commands.log" > "$demo/phonesim.out" &
simulator=$!

tries=0
while [ ! -e "$demo/phone.tty" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 50 ] || ! kill -0 "$simulator" 2>/dev/null; then
        echo "The simulated phone did not start." >&2
        exit 1
    fi
    sleep 0.1
done

echo "Simulated phone on $(head -n 1 "$demo/phonesim.out"), serving a copy of phone-sample/."
# The window's own exit status is the script's, whatever became of the simulator.
status=0
XDG_CONFIG_HOME="$demo/config" XDG_DATA_HOME="$demo/data" XDG_CACHE_HOME="$demo/cache" build/bin/vantrel ||
    status=$?
exit $status
