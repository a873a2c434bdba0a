#!/usr/bin/env bash
# Builds and runs the benchmarks (not part of the test suite).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
build/bench/bench_link
build/bench/bench_patients
build/bench/bench_dictation
build/bench/bench_stats
build/bench/bench_exams
build/bench/bench_schedule
