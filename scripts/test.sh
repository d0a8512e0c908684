#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
ctest --test-dir build -j"$(nproc)" --output-on-failure --timeout 600
