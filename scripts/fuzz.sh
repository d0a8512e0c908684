#!/usr/bin/env bash
# Fuzzes the reader of Wine's registry files with libFuzzer for a while
# (default 300 seconds; the first argument changes it). Builds with clang in
# ./build-fuzz; the corpus grows in build-fuzz/fuzz-corpus, findings land in
# build-fuzz/fuzz-findings. Not part of the normal build or tests.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  as_root apt-get update
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends clang libclang-rt-dev
fi

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCORVANTA_FUZZ=ON
cmake --build build-fuzz --target wine_registry_file_fuzz -j2

mkdir -p build-fuzz/fuzz-corpus build-fuzz/fuzz-findings
cp -n tests/fuzz/corpus/* build-fuzz/fuzz-corpus/
build-fuzz/bin/wine_registry_file_fuzz build-fuzz/fuzz-corpus \
  -dict=tests/fuzz/wine_registry.dict -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix=build-fuzz/fuzz-findings/
