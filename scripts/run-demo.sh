#!/bin/sh
# Builds Vantrel and starts it against the simulated phone, which serves a copy
# of phone-sample/. Settings live in a folder of their own, never the user's.
set -e
cd "$(dirname "$0")/.."
scripts/install-deps.sh demo
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build

if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ]; then
    echo "No display to show the window on. Start it from a desktop session," >&2
    echo "or under a virtual one: xvfb-run -a scripts/run-demo.sh" >&2
    exit 1
fi

demo=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-demo.XXXXXX")
cp -r phone-sample "$demo/phone"
mkdir -p "$demo/config/Vantrel"
# Port 4 (the default) opens the simulated phone's terminal.
printf '[Ports]\nCOM4=%s\n' "$demo/phone.tty" > "$demo/config/Vantrel/Vantrel.conf"

build/bin/vantrel-phonesim --root "$demo/phone" --link "$demo/phone.tty" --baud 115200 \
    --log "$demo/commands.log" > "$demo/phonesim.out" &
simulator=$!
trap 'kill $simulator 2>/dev/null; wait $simulator 2>/dev/null; rm -rf "$demo"' EXIT INT TERM

tries=0
while [ ! -e "$demo/phone.tty" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 50 ] || ! kill -0 $simulator 2>/dev/null; then
        echo "The simulated phone did not start." >&2
        exit 1
    fi
    sleep 0.1
done

echo "Simulated phone on $(head -n 1 "$demo/phonesim.out"), serving a copy of phone-sample/."
XDG_CONFIG_HOME="$demo/config" build/bin/vantrel
