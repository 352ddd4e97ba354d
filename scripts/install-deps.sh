#!/bin/sh
# Installs the Debian 12 packages Vantrel needs, when any is missing: as root
# through apt-get, otherwise prints the exact apt-get line and stops.
# Usage: scripts/install-deps.sh [demo|sanitize]   ("demo" adds what the window needs to
# show, "sanitize" the compiler and runtimes of scripts/run-sanitizers.sh)
# dpkg-dev reads the Debian package's dependencies off the programs (cpack -G DEB);
# desktop-file-utils and appstream check the desktop entry and its metadata.
set -e

PACKAGES="g++ cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev qt6-svg-dev libqt6svg6 \
qt6-qpa-plugins libarchive-dev libgl-dev fonts-dejavu-core dpkg-dev desktop-file-utils appstream"
if [ "$1" = "demo" ]; then
    PACKAGES="$PACKAGES xvfb xauth"
fi
if [ "$1" = "sanitize" ]; then
    PACKAGES="$PACKAGES clang libclang-rt-dev llvm"
fi

missing=""
for package in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Vantrel needs these Debian packages:$missing" >&2
    echo "Install them as root, then run this command again:" >&2
    echo "  sudo apt-get install -y --no-install-recommends$missing" >&2
    exit 1
fi
echo "Installing:$missing"
apt-get update -q
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
