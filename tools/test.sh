#!/usr/bin/env bash
# Builds Tolvane twice (warnings as errors; then with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(dev asan)

for preset in "${presets[@]}"; do
    echo "== ${preset}: configure"
    cmake --preset "${preset}" >/dev/null
    echo "== ${preset}: build"
    cmake --build --preset "${preset}"
    if [ "${preset}" = dev ]; then
        # The download a release ships: build/dev/Tolvane-<version>-Linux-<arch>.tar.gz
        echo "== ${preset}: package"
        (cd build/dev && cpack >/dev/null && ls Tolvane-*-Linux-*.tar.gz)
    fi
    echo "== ${preset}: test"
    ctest --preset "${preset}" --no-tests=error
done
