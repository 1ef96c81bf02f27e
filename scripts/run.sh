#!/usr/bin/env bash
# Installs what is missing, builds, and shows the example image: in the viewer when
# there is a display, else its cards through tsn-dump.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja
cmake --build build -j "$(nproc)"

# Started from the data directory, the program finds its definitions and example.
cd data
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x ../build/src/ui/tsn-viewer ]; then
    exec ../build/src/ui/tsn-viewer pirite.jpg
fi
exec ../build/src/cli/tsn-dump pirite.jpg
