#!/usr/bin/env bash
# Builds the program, starts the printer emulator on a pseudo-terminal and opens
# the demo terminal file against it. The user's own port settings are not
# changed: the program runs with a private copy of them for this run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

bin=build/default
run_dir=$(mktemp -d /tmp/quorvel-demo.XXXXXX)
host_link=$run_dir/host
dgi_link=$run_dir/dgi
"$bin/tools/emulator/quorvel-emulator" --link "$host_link" --dgi-link "$dgi_link" &
emulator_pid=$!
trap 'kill $emulator_pid 2>/dev/null || true; rm -rf "$run_dir"' EXIT
for _ in $(seq 50); do [[ -e $host_link ]] && break; sleep 0.1; done

if [[ -x $bin/src/app/quorvel ]]; then
  # A private settings folder holding a copy of the user's settings, with the
  # host and fiscal ports pointed at the emulator.
  config_home=$run_dir/config
  mkdir -p "$config_home"
  user_settings=${XDG_CONFIG_HOME:-$HOME/.config}/quorvel.conf
  [[ -f $user_settings ]] && cp "$user_settings" "$config_home/quorvel.conf"
  XDG_CONFIG_HOME=$config_home "$bin/src/app/quorvel" --demo-ports "$host_link" "$dgi_link" examples/demo.qvl
else
  echo "Desktop program not built yet; talking to the emulator from the command line:"
  "$bin/src/cli/quorvel-cli" host --device "$host_link" --protocol compatible "A" "x'41'BC"
fi
