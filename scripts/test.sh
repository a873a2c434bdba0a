#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite (offscreen; no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."
# The tested build keeps its asserts (the default) and fails on any compiler warning.
bash scripts/build.sh -DZEL_ASSERTS=ON -DZEL_WERROR=ON
# The recorder's tests record and play real sound: a sound server of their own with a virtual source.
root=$PWD
eval "$(bash "$root/scripts/pulse-test-server.sh" start)"
trap 'bash "$root/scripts/pulse-test-server.sh" stop' EXIT
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)"
