# SPDX-License-Identifier: MIT
# bash completion for quorvel-cli. The sub-commands and their options are asked of
# quorvel-cli itself (its --help texts), so a new sub-command completes at once.
# Only --help is ever run: --help wins over every other argument, so completing never
# sends a command or writes a file.

_quorvel_cli() {
  local cur prev program=${COMP_WORDS[0]}
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD - 1]}

  if ((COMP_CWORD == 1)); then
    local commands
    commands=$("$program" --help 2>/dev/null | sed -n 's/^  quorvel-cli \([a-z][a-z0-9-]*\).*/\1/p')
    mapfile -t COMPREPLY < <(compgen -W "$commands --help --version" -- "$cur")
    return
  fi

  case $prev in
    --device)
      mapfile -t COMPREPLY < <(compgen -f -- "${cur:-/dev/}")
      return
      ;;
    --baud)
      mapfile -t COMPREPLY < <(compgen -W "1200 2400 4800 9600 19200 38400 57600 115200" -- "$cur")
      return
      ;;
    --protocol)
      mapfile -t COMPREPLY < <(compgen -W "compatible extended" -- "$cur")
      return
      ;;
    --file)
      mapfile -t COMPREPLY < <(compgen -f -X '!*.qvl' -- "$cur"; compgen -d -- "$cur")
      return
      ;;
  esac

  # quorvel-cli edit FILE FAMILY VERB ...: the families and verbs its help lists.
  if [[ ${COMP_WORDS[1]} == edit ]] && ((COMP_CWORD == 3 || COMP_CWORD == 4)); then
    local words
    if ((COMP_CWORD == 3)); then
      words=$("$program" edit --help 2>/dev/null | sed -n 's/^  quorvel-cli edit FILE \([a-z-]*\) .*/\1/p' | sort -u)
    else
      words=$("$program" edit --help 2>/dev/null |
        sed -n "s/^  quorvel-cli edit FILE ${COMP_WORDS[3]//[^a-z-]/} \([a-z-]*\).*/\1/p")
    fi
    mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
    return
  fi

  if [[ $cur == -* ]]; then
    local help_words=("${COMP_WORDS[1]}")
    # An edit verb has options of its own.
    [[ ${COMP_WORDS[1]} == edit ]] && ((COMP_CWORD >= 5)) && help_words+=("${COMP_WORDS[@]:2:3}")
    local options
    options=$("$program" "${help_words[@]}" --help 2>/dev/null | grep -o -- '--[a-z][a-z-]*' | sort -u)
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    return
  fi
  # Files for the positional arguments (a terminal file, a folder on the way to one).
  mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}

complete -o filenames -F _quorvel_cli quorvel-cli
