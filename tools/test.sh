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
    echo "== ${preset}: test"
    ctest --preset "${preset}" --no-tests=error
done
