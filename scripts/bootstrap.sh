#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the program need.
# Idempotent and non-interactive: the package lists are refreshed only when something is missing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkgconf
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    qt6-serialport-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    libhidapi-dev
    fonts-paratype fonts-droid-fallback fonts-nanum
)
# The fuzz preset builds with clang and libFuzzer.
if [ "${WITH_FUZZ:-0}" = 1 ]; then
    packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
