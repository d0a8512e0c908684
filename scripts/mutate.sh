#!/usr/bin/env bash
# Runs the mutation harness of the source databases on many damaged copies
# (default 5000; the first argument changes it, the second the seed) and
# prints what it counted. Builds ./build first if needed. Findings land in
# build/mutation-findings. Not part of the tests, which run a small batch.
set -euo pipefail
cd "$(dirname "$0")/.."
mutants="${1:-5000}"
seed="${2:-$(date +%s)}"

if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build --target source_mutation -j2
build/bin/source_mutation --mutanti "$mutants" --seme "$seed" --reperti build/mutation-findings
