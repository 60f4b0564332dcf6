#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Lists the tracked source files (C++, CMake, shell, Python) whose first line (the
# second after a shebang) is not the licence line, and exits 1 when there is any.
#   C++:                 // SPDX-License-Identifier: MIT
#   CMake, shell, Python: # SPDX-License-Identifier: MIT
# With --fix, puts the line at the top of each such file instead (after a shebang).
# Usage: scripts/check-spdx.sh [--fix] [FOLDER]   (FOLDER: a git checkout, default this one)
set -euo pipefail
fix=0
if [[ ${1:-} == --fix ]]; then
  fix=1
  shift
fi
cd "${1:-$(dirname "$0")/..}"

# The comment that opens the licence line of a file, or nothing for a file that is
# not source code.
comment_of() {
  local path=$1 name=${1##*/} first
  case $name in
    *.cpp | *.cc | *.cxx | *.h | *.hpp | *.h.in | *.cpp.in) echo "//"; return ;;
    CMakeLists.txt | *.cmake | *.cmake.in | *.sh | *.bash | *.py) echo "#"; return ;;
  esac
  # Scripts without an extension (.ci/run, bash completion files) by their shebang.
  [[ -f $path ]] || return 0
  IFS= read -r first <"$path" || true
  case $first in
    '#!'*sh* | '#!'*python*) echo "#" ;;
  esac
}

missing=0
while IFS= read -r -d '' path; do
  comment=$(comment_of "$path")
  [[ -n $comment ]] || continue
  [[ -f $path ]] || continue  # deleted in the work tree
  line=$(head -n 1 -- "$path")
  [[ $line == '#!'* ]] && line=$(sed -n 2p -- "$path")
  [[ $line == "$comment SPDX-License-Identifier: MIT" ]] && continue
  if ((fix)); then
    if [[ $(head -c 2 -- "$path") == '#!' ]]; then
      sed -i "1a $comment SPDX-License-Identifier: MIT" -- "$path"
    else
      sed -i "1i $comment SPDX-License-Identifier: MIT" -- "$path"
    fi
    continue
  fi
  printf '%s\n' "$path"
  missing=$((missing + 1))
done < <(git ls-files -z)

if ((missing)); then
  echo "check-spdx: $missing file(s) without '// SPDX-License-Identifier: MIT' (or '# ...') at the top" >&2
  exit 1
fi
