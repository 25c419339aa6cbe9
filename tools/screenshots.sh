#!/usr/bin/env bash
# Saves screenshots of the desktop window without a desktop: builds the
# window_screenshots tool, which loads the window the way the application
# does, and runs it under Xvfb, once at normal and once at double pixel
# density. Output: OUTPUT_FOLDER (default: screenshots/ in the build tree),
# PNG files of the main window at rest, with the fixed size sheet, with the
# keyword panel, showing a run's progress, and of the crash report window;
# the double-density set is in OUTPUT_FOLDER/2x.
#
#   tools/screenshots.sh [OUTPUT_FOLDER]
#
# BUILD_DIR names another configured build tree (default: the dev preset's).
set -euo pipefail
cd "$(dirname "$0")/.."

build="${BUILD_DIR:-build/dev}"
out="${1:-${build}/screenshots}"

if [ ! -f "${build}/build.ninja" ]; then
    tools/setup.sh
    cmake --preset dev >/dev/null
fi
cmake --build "${build}" --target window_screenshots

tool="${build}/tools/window_screenshots"
run() {
    xvfb-run --auto-servernum --server-args="-screen 0 2560x1600x24" \
        env QT_QPA_PLATFORM=xcb "$@"
}
run "${tool}" "${out}"
run env QT_SCALE_FACTOR=2 "${tool}" "${out}/2x"
