#!/usr/bin/env bash
# The main job: builds what is missing, generates a sample photo library with
# the stand-in library application (a dozen DNG images of up to 24 MP in two
# projects, some in albums, with keywords, IPTC tags, GPS and ratings), serves
# it on a private session bus, selects every image and converts them with the
# default settings through the terminal front end, after an estimate from a
# sample of two images. Prints the progress, the estimate, the closing
# statistics, an account of the library before and after, and where the
# reports are.
# Everything it starts it stops again, by pid.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target photolib tolvane-cli library-account

build="$root/build/dev"
photolib="$build/peer/photolib"
cli="$build/Tolvane.app/Contents/MacOS/tolvane-cli"
account="$build/tools/library-account"

sample="$root/build/sample"
library="$sample/Sample.aplibrary"
rm -rf "$sample"
mkdir -p "$sample/config" "$sample/work" "$sample/state"
# Default settings, a work folder, a journal and reports of the sample's own:
# nothing of the user's is touched.
export XDG_CONFIG_HOME="$sample/config"
export XDG_STATE_HOME="$sample/state"
export TMPDIR="$sample/work"

echo "== Generating the sample library"
"$photolib" sample "$library" --seed 2026 --count 12 --max-megapixels 24 \
    --projects 2 --albums 2 >/dev/null
"$photolib" select "$library" --all >/dev/null

bus_pid=""
peer_pid=""
stop_all() {
    [ -n "$peer_pid" ] && kill "$peer_pid" 2>/dev/null && wait "$peer_pid" 2>/dev/null || true
    [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null && wait "$bus_pid" 2>/dev/null || true
}
trap stop_all EXIT

dbus-daemon --session --nofork --nopidfile --print-address=1 >"$sample/bus-address" &
bus_pid=$!
for _ in $(seq 50); do [ -s "$sample/bus-address" ] && break; sleep 0.1; done
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$sample/bus-address")
export DBUS_SESSION_BUS_ADDRESS

"$photolib" serve "$library" 2>"$sample/photolib.log" &
peer_pid=$!
for _ in $(seq 100); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.NameHasOwner string:com.apple.aperture 2>/dev/null |
        grep -q "boolean true" && break
    sleep 0.1
done

echo
echo "== Before"
"$photolib" show "$library" | "$account"

echo
echo "== Estimating from a sample of 2 images (log in $sample/estimate.log)"
"$cli" --estimate --sample 2 2>"$sample/estimate.log" || true

echo
echo "== Converting (log in $sample/tolvane.log)"
status=0
"$cli" 2>"$sample/tolvane.log" || status=$?

echo "== After"
"$photolib" show "$library" | "$account"
exit "$status"
