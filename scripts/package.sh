#!/usr/bin/env bash
# Builds the Debian package build-package/tsn-viewer_<version>_amd64.deb from the
# Release configuration with Debian's hardening flags (dpkg-buildflags).
#   scripts/package.sh          build the package
#   scripts/package.sh --check  the same build with warnings as errors and every test
#                               run in it, then scripts/check-package.sh on the package
#                               (lintian, validators, install test: needs root or sudo)
set -euo pipefail
cd "$(dirname "$0")/.."

check=OFF
case "${1:-}" in
    --check) check=ON ;;
    "") ;;
    *) echo "usage: scripts/package.sh [--check]" >&2; exit 2 ;;
esac
tools=(dpkg-dev file)
if [ "$check" = ON ]; then
    tools+=(lintian appstream desktop-file-utils xvfb xdotool imagemagick)
fi
bash scripts/setup.sh "${tools[@]}"

flags() { echo "$(dpkg-buildflags --get "$1") $(dpkg-buildflags --get CPPFLAGS)"; }
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_C_FLAGS="$(flags CFLAGS)" -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
    -DTSN_BUILD_TESTS="$check" -DTSN_WERROR="$check"
cmake --build build-package -j "$(nproc)"
if [ "$check" = ON ]; then
    ctest --test-dir build-package --output-on-failure -j "$(nproc)"
fi

rm -f build-package/tsn-viewer_*.deb
(cd build-package && cpack -G DEB)
deb=$(ls build-package/tsn-viewer_*_amd64.deb)
echo "package: $deb"
if [ "$check" = ON ]; then
    bash scripts/check-package.sh "$deb"
fi
