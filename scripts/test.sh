#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite (offscreen; no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."
# The tested build keeps its asserts (the default) and fails on any compiler warning.
bash scripts/build.sh -DZEL_ASSERTS=ON -DZEL_WERROR=ON
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)"
