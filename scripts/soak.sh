#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Soak run, by hand: quorvel-cli send --repeat COMMANDS --keep-going against the printer
# emulator with random faults (NAK, bad checksums, DC2 bursts, silence, hang-up and
# reconnect). Prints the memory of quorvel-cli after 1,000 commands and at the end, the
# faults played and the errors reported.
# usage: scripts/soak.sh [COMMANDS (10000, in runs of at most 9,999)] [SEED (1)]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default -DQUORVEL_BENCH=ON >/dev/null
cmake --build build/default --target soak_send quorvel-cli >/dev/null
build/default/bench/soak/soak_send "${1:-10000}" "${2:-1}"
