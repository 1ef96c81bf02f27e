#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
#   scripts/test.sh             the normal build (build/), viewer and GUI tests included
#   scripts/test.sh --sanitize  the core tests under AddressSanitizer + UBSan (build-asan/)
#   scripts/test.sh --threads   the browsing and start-up tests (threads) under ThreadSanitizer
#                               (build-tsan/)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
if [ "${1:-}" = "--sanitize" ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTSN_BUILD_GUI=OFF \
        -DTSN_SANITIZE=ON -DTSN_WERROR=ON
    cmake --build build-asan -j "$jobs"
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ctest --test-dir build-asan --output-on-failure -j "$jobs"
elif [ "${1:-}" = "--threads" ]; then
    cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTSN_SANITIZE_THREAD=ON \
        -DTSN_WERROR=ON
    cmake --build build-tsan -j "$jobs" \
        --target ui_BrowseTest ui_BrowseAheadTest ui_DraftsAheadTest ui_StartupTest test_doc
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/ui/tsan.supp"
    ctest --test-dir build-tsan --output-on-failure -R '^ui_Browse|^ui_DraftsAhead|^ui_Startup|^HeldDocuments|^Draft'
else
    cmake -S . -B build -G Ninja -DTSN_WERROR=ON
    cmake --build build -j "$jobs"
    ctest --test-dir build --output-on-failure -j "$jobs"
fi
