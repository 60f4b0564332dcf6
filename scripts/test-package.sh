#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package (cpack -G DEB) from a build folder and checks it as a user
# and a packager would find it: exactly the programs and the files for the desktop,
# man and bash, in their places; the three programs answer --version; the desktop
# entry is valid; the desktop and mime databases, rebuilt as the package's triggers
# rebuild them, know the terminal-file type; the dependencies resolve; lintian
# reports no errors.
#
# Usage: scripts/test-package.sh [--system] [BUILD_FOLDER]   (default build/default)
#   By default the package is unpacked into a clean temporary root, and apt-get only
#   simulates its installation. With --system it is installed on this machine with
#   apt-get, which runs its triggers, and removed again afterwards: for CI machines
#   that are thrown away, not for a shared workstation.
set -euo pipefail
cd "$(dirname "$0")/.."

system=0
if [[ ${1:-} == --system ]]; then
  system=1
  shift
fi
build=${1:-build/default}
[[ -f $build/CMakeCache.txt ]] || { echo "test-package: $build is not a configured build folder" >&2; exit 2; }

failures=0
checks=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
  checks=$((checks + 1))
}
pass() {
  echo "ok: $*"
  checks=$((checks + 1))
}
sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)

work=$(mktemp -d)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

echo "=== building the package"
cmake --build "$build" >"$work/build.log" 2>&1 || { tail -n 50 "$work/build.log" >&2; exit 1; }
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
deb=$(find "$work/out" -maxdepth 1 -name 'quorvel_*.deb' | head -n 1)
[[ -n $deb ]] || { echo "test-package: cpack made no quorvel_*.deb" >&2; exit 1; }
echo "package: $(basename "$deb")"

if ((system)); then
  echo "=== installing it on this machine"
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; exit 1; }
  cleanup() {
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get remove -y -qq quorvel >/dev/null 2>&1 || true
    rm -rf "$work"
  }
  root=
  pass "apt-get installs it with its dependencies"
else
  echo "=== unpacking it into a clean root"
  root=$work/root
  dpkg-deb -x "$deb" "$root"
  # The dependencies resolve on this machine (a simulation changes nothing).
  if apt-get install -s -qq "$(realpath "$deb")" >"$work/apt.log" 2>&1; then
    pass "apt-get would install it with its dependencies"
  else
    fail "apt-get cannot install it: $(tail -n 3 "$work/apt.log")"
  fi
fi

echo "=== contents"
# Exactly the programs and what the desktop, man and bash need: nothing the tests or
# the benchmarks alone use.
expected="/usr/bin/quorvel
/usr/bin/quorvel-cli
/usr/bin/quorvel-emulator
/usr/share/applications/quorvel.desktop
/usr/share/bash-completion/completions/quorvel-cli
/usr/share/doc/quorvel/changelog.gz
/usr/share/doc/quorvel/copyright
/usr/share/icons/hicolor/scalable/apps/quorvel.svg
/usr/share/man/man1/quorvel-cli.1.gz
/usr/share/man/man1/quorvel-emulator.1.gz
/usr/share/man/man1/quorvel.1.gz
/usr/share/mime/packages/quorvel.xml"
contents=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./|/|' | sort)
if [[ $contents == "$expected" ]]; then
  pass "the package holds exactly the installed files"
else
  fail "the package holds other files than expected:
$(diff <(echo "$expected") <(echo "$contents") || true)"
fi
for file in $expected; do
  [[ -f $root$file ]] && pass "$file is in place" || fail "$file is missing"
done
triggers=$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./triggers 2>/dev/null || true)
for folder in /usr/share/applications /usr/share/mime/packages /usr/share/icons/hicolor; do
  grep -qx "activate-noawait $folder" <<<"$triggers" && pass "trigger for $folder" || fail "no trigger for $folder"
done

echo "=== programs"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
for program in quorvel quorvel-cli quorvel-emulator; do
  path=$root/usr/bin/$program
  # No display: --version must not need one.
  said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$path" --version 2>&1) || true
  [[ $said == "$program $version" ]] && pass "$program --version: $said" || fail "$program --version said '$said'"
done

echo "=== desktop"
entry=$root/usr/share/applications/quorvel.desktop
said=$(desktop-file-validate "$entry" 2>&1) && [[ -z $said ]] && pass "desktop-file-validate" ||
  fail "desktop-file-validate: $said"
if ((!system)); then
  # What the triggers of desktop-file-utils and shared-mime-info do on installation.
  update-desktop-database "$root/usr/share/applications"
  update-mime-database "$root/usr/share/mime"
fi
grep -qx 'application/x-quorvel=quorvel.desktop;' "$root/usr/share/applications/mimeinfo.cache" &&
  pass "the desktop database opens terminal files with quorvel" ||
  fail "the desktop database does not know quorvel for application/x-quorvel"
grep -q '^\*\.qvl$\|:\*\.qvl$' "$root/usr/share/mime/globs" && grep -q '\[General\]' "$root/usr/share/mime/magic" &&
  pass "the mime database knows *.qvl and the [General] magic" ||
  fail "the mime database does not know the terminal-file type"

echo "=== manual pages"
# The roff text without its font changes and escaped minus signs.
page_text() { zcat "$1" | sed -e 's/\\f[BIRP]//g' -e 's/\\,//g' -e 's/\\\///g' -e 's/\\-/-/g'; }
for program in quorvel quorvel-cli quorvel-emulator; do
  # Read whole first: grep -q stopping early would break the pipe under pipefail.
  text=$(page_text "$root/usr/share/man/man1/$program.1.gz")
  grep -q -- '--version' <<<"$text" && pass "man $program names --version" || fail "man $program lacks --version"
done
# The page of quorvel-cli shows every sub-command with its own options.
cli_page=$(page_text "$root/usr/share/man/man1/quorvel-cli.1.gz")
for command in $("$build/src/cli/quorvel-cli" --help | sed -n 's/^  quorvel-cli \([a-z][a-z0-9-]*\).*/\1/p'); do
  grep -q "^\.SS \"quorvel-cli $command\"" <<<"$cli_page" && pass "man quorvel-cli: $command" ||
    fail "man quorvel-cli lacks a section for $command"
done
grep -q -- '--keep-going' <<<"$cli_page" && pass "man quorvel-cli: the options of send" ||
  fail "man quorvel-cli lacks the options of send"

echo "=== dependencies"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
  grep -q "\b$library\b" <<<"$depends" && pass "depends on $library" || fail "no dependency on $library"
done

echo "=== lintian"
lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
grep -v '^running with root privileges' "$work/lintian.log" || true
if grep -q '^E: ' "$work/lintian.log"; then fail "lintian reports errors"; else pass "lintian: no errors"; fi

# The closing line in ctest's words, which .ci/run counts in its summary.
echo "$(((checks - failures) * 100 / (checks > 0 ? checks : 1)))% tests passed, $failures tests failed out of $checks"
((failures == 0))
