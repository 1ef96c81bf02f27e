#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs, only those that are missing.
# Safe to run again; uses sudo when not run as root. Extra package names given as
# arguments (the benchmarks' tools) are installed the same way.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev libgl-dev libx11-dev libfontconfig-dev libxcb-shm0-dev
    libjpeg62-turbo-dev libpng-dev libtiff-dev zlib1g-dev
    nlohmann-json3-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev clang-format
    poppler-utils fonts-liberation xvfb xauth libjpeg-turbo-progs
    libimage-exiftool-perl python3-pil python3-vobject time
    "$@"
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
