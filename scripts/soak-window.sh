#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Soak run of the window, by hand: the real main window under a virtual X server (Xvfb)
# sends one command COMMANDS times with Repeat to the printer emulator on a
# pseudo-terminal, which answers with random NAKs, bad checksums, busy bursts, silence
# and hang-ups; after each error box the rest is repeated (the port reopened after a
# hang-up). Prints the program's memory after 1,000 commands and at the end, and the
# error boxes against the faults played.
# usage: scripts/soak-window.sh [COMMANDS (2000)] [SEED (1)]
set -euo pipefail
cd "$(dirname "$0")/.."
command -v xvfb-run >/dev/null || { echo "soak-window.sh: xvfb-run is needed (package xvfb)" >&2; exit 2; }
cmake --preset default -DQUORVEL_BENCH=ON >/dev/null
cmake --build build/default --target soak_window >/dev/null
home=$(mktemp -d /tmp/quorvel-soak-home-XXXXXX)
trap 'rm -rf "$home"' EXIT
# A private home: nothing of the user's own settings is read or written.
env -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
  XDG_RUNTIME_DIR="$home" xvfb-run -a -s "-screen 0 1280x1024x24" \
  build/default/bench/soak/soak_window "${1:-2000}" "${2:-1}"
