#!/usr/bin/env bash
# Installs every Debian package Tolvane needs to build, test and run its
# sample job. Idempotent: packages already present are skipped, and nothing
# is downloaded when all of them are installed.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools libqt6dbus6 libqt6network6 libqt6widgets6 libqt6sql6-sqlite
    qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-httpserver-dev qt6-websockets-dev python3
    libvips-dev libvips-tools libexiv2-dev exiv2 libraw-dev libplist-dev
    libsqlite3-dev libtiff-dev libjpeg62-turbo-dev
    libgtest-dev googletest
    dbus xvfb xauth xdotool imagemagick
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install --no-install-recommends -y -qq "${missing[@]}"
