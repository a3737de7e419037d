#!/usr/bin/env bash
# Installs what building and playing need (Debian 12), builds the game and starts it; options
# go to the game (scripts/play.sh --scale 2).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --play build
exec build/game/brellow-didovez --data build/game-data "$@"
