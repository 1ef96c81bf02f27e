#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/).
#   scripts/fuzz.sh --replay          run every target once over its seed corpus
#   scripts/fuzz.sh TARGET [ARGS...]  fuzz one target (e.g. parser -max_total_time=600)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTSN_BUILD_GUI=OFF -DTSN_BUILD_TESTS=OFF -DTSN_BUILD_FUZZ=ON -DTSN_WERROR=ON
cmake --build build-fuzz -j "$(nproc)"

if [ "${1:-}" = "--replay" ]; then
    status=0
    for corpus in fuzz/corpus/*/; do
        name=$(basename "$corpus")
        echo "== fuzz_$name: replaying $(ls "$corpus" | wc -l) seeds"
        "build-fuzz/fuzz/fuzz_$name" -runs=0 "$corpus" || status=1
    done
    exit $status
fi

target=$1
shift
mkdir -p "fuzz/findings/$target"
exec "build-fuzz/fuzz/fuzz_$target" "fuzz/findings/$target" "fuzz/corpus/$target" "$@"
