#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the program, starts the printer emulator on a pseudo-terminal and opens
# the demo terminal file against it. The user's own settings are not changed:
# the program runs with a private copy of them, and --demo-ports maps its host
# port (Com1) and fiscal port (Com2) to the emulator for this run only.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

bin=build/default
run_dir=$(mktemp -d /tmp/quorvel-demo.XXXXXX)
host_link=$run_dir/host
dgi_link=$run_dir/dgi
# A printer that speaks the extended protocol, with answers that fit the demo's
# commands (status words, return codes, answer fields); the fiscal port answers
# its two commands with answer frames.
"$bin/tools/emulator/quorvel-emulator" --link "$host_link" --dgi-link "$dgi_link" --protocol extended \
  --on '\x2A=status:0000:1000' --on '\x2A=fields:\x01,\x2A' \
  --on '\x3E=fields:261210,153000' \
  --on '\x2B=status:0004:0000:0021' --on '\x2B=fields:\x00\x2A,000000012550,\x05' \
  --on '@=fields:0001' \
  --on 'B=busy:2:300' --on 'B=fields:000000000100,000000012550' \
  --on 'E=fields:000000012550,000000000450,0001' \
  --dgi-on 'S=frames:0100Working,0000Status OK' \
  --dgi-on '*=final:0000Done' &
emulator_pid=$!
trap 'kill $emulator_pid 2>/dev/null || true; wait $emulator_pid 2>/dev/null || true; rm -rf "$run_dir"' EXIT
for _ in $(seq 50); do [[ -e $host_link && -e $dgi_link ]] && break; sleep 0.1; done

# A private settings folder holding a copy of the user's settings, and a copy
# of the demo file (the program writes its [General] values and a log next to it).
config_home=$run_dir/config
mkdir -p "$config_home"
user_settings=${XDG_CONFIG_HOME:-$HOME/.config}/quorvel.conf
[[ -f $user_settings ]] && cp "$user_settings" "$config_home/quorvel.conf"
cp examples/demo.qvl "$run_dir/demo.qvl"
XDG_CONFIG_HOME=$config_home "$bin/src/app/quorvel" --demo-ports "$host_link" "$dgi_link" "$run_dir/demo.qvl"
