#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package (cpack -G DEB) from a build folder, installs it, and checks
# it as a user would find it: the three programs answer --version, the desktop entry,
# mime package, icon, manual pages and bash completion are where they belong, the
# entry is valid, the package depends on the libraries the programs use, and lintian
# reports no errors.
#
# Usage: scripts/test-package.sh [--system] [BUILD_FOLDER]   (default build/default)
#   By default the package is unpacked into a clean temporary root. With --system it
#   is installed on this machine with apt-get (and removed again afterwards): for CI
#   machines that are thrown away, not for a shared workstation.
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

echo "=== building the package"
cmake --build "$build"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log") || { cat "$work/cpack.log" >&2; exit 1; }
deb=$(find "$work/out" -maxdepth 1 -name 'quorvel_*.deb' | head -n 1)
[[ -n $deb ]] || { echo "test-package: cpack made no quorvel_*.deb" >&2; exit 1; }
echo "package: $(basename "$deb")"

if ((system)); then
  echo "=== installing it on this machine"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "$deb" >/dev/null
  trap 'DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get remove -y -qq quorvel >/dev/null; rm -rf "$work"' EXIT
  root=
else
  echo "=== unpacking it into a clean root"
  root=$work/root
  dpkg-deb -x "$deb" "$root"
fi

echo "=== programs"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
for program in quorvel quorvel-cli quorvel-emulator; do
  path=$root/usr/bin/$program
  if [[ ! -x $path ]]; then
    fail "$path is not an installed program"
    continue
  fi
  # No display: --version must not need one.
  said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$path" --version 2>&1) || true
  [[ $said == "$program $version" ]] && pass "$program --version: $said" || fail "$program --version said '$said'"
done

echo "=== files"
for file in \
  usr/share/applications/quorvel.desktop \
  usr/share/mime/packages/quorvel.xml \
  usr/share/icons/hicolor/scalable/apps/quorvel.svg \
  usr/share/man/man1/quorvel.1.gz \
  usr/share/man/man1/quorvel-cli.1.gz \
  usr/share/man/man1/quorvel-emulator.1.gz \
  usr/share/bash-completion/completions/quorvel-cli \
  usr/share/doc/quorvel/copyright \
  usr/share/doc/quorvel/changelog.gz; do
  [[ -f $root/$file ]] && pass "/$file" || fail "/$file is missing"
done
# Nothing the tests or benchmarks alone need.
unexpected=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -E '/(test_|bench_)|/lib/.*\.a$' || true)
[[ -z $unexpected ]] && pass "no test or benchmark files" || fail "test or benchmark files: $unexpected"

if [[ -f $root/usr/share/applications/quorvel.desktop ]]; then
  said=$(desktop-file-validate "$root/usr/share/applications/quorvel.desktop" 2>&1) &&
    [[ -z $said ]] && pass "desktop-file-validate" || fail "desktop-file-validate: $said"
fi
if [[ -f $root/usr/share/man/man1/quorvel-cli.1.gz ]]; then
  # The manual page of quorvel-cli names every sub-command the program has.
  page=$(zcat "$root/usr/share/man/man1/quorvel-cli.1.gz")
  for command in $("$build/src/cli/quorvel-cli" --help | sed -n 's/^  quorvel-cli \([a-z][a-z0-9-]*\).*/\1/p'); do
    grep -q "quorvel-cli $command" <<<"$page" && pass "man quorvel-cli: $command" || fail "man quorvel-cli lacks $command"
  done
fi

echo "=== dependencies"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libc6 libstdc++6 libqt6widgets6; do
  grep -q "\b$library\b" <<<"$depends" && pass "depends on $library" || fail "no dependency on $library"
done

echo "=== lintian"
if command -v lintian >/dev/null; then
  lintian --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1 || true
  cat "$work/lintian.log"
  if grep -q '^E: ' "$work/lintian.log"; then fail "lintian reports errors"; else pass "lintian: no errors"; fi
else
  fail "lintian is not installed (scripts/install-deps.sh installs it)"
fi

# The closing line in ctest's words, which .ci/run counts in its summary.
echo "$(((checks - failures) * 100 / (checks > 0 ? checks : 1)))% tests passed, $failures tests failed out of $checks"
((failures == 0))
