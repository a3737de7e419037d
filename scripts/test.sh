#!/usr/bin/env bash
# Installs what building and testing need (Debian 12), builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
cd build
ctest --output-on-failure -j"$(nproc)" --timeout 600
