#!/usr/bin/env bash
# Builds everything and starts the game from the folder that holds its data files.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
cd build/game-data
exec ../game/brellow-didovez "$@"
