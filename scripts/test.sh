#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything and runs every test. Arguments go to the configure step
# (for example -DQUORVEL_BENCH=ON to build the benchmarks as well).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default "$@" >/dev/null
cmake --build --preset default
ctest --preset default -j"$(nproc)"
