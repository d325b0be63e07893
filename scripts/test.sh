#!/usr/bin/env bash
# Installs what is needed, builds with the dev preset (sanitizers on) and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh
cmake --preset dev
cmake --build --preset dev
ctest --preset dev -j "$(nproc)"
