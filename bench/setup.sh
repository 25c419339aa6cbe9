#!/usr/bin/env bash
# Installs what the benchmarks compare against, beyond tools/setup.sh:
# LibRaw's command-line tools (dcraw_emu), GNU time for peak memory, and a
# package of photographic wallpapers for bytes_bench. Idempotent; for the
# benchmarks only, never for the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh

packages=(libraw-bin time mate-backgrounds)
missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install --no-install-recommends -y -qq "${missing[@]}"
