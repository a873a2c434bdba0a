#!/usr/bin/env bash
# Sets up the machine, then configures and builds everything into build/. Extra arguments go to the
# configure step (the test script turns warnings into errors there).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# ccache finds its results again from another checkout of the project.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build build --parallel "$(nproc)"
