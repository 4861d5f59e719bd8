# Bash completion for portal-inspect: ARCHIVE, then a command, then its
# operand and options. The commands and options are read from the program's
# own --help, so they are always those of the program being completed.

# The command names listed under "Commands:" in the general help.
_portal_inspect_commands() {
  "$1" --help 2>/dev/null | sed -n '/^Commands:$/,/^$/s/^  \([a-z][a-z-]*\).*/\1/p'
}

_portal_inspect() {
  local program=${COMP_WORDS[0]} cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD - 1]}
  local commands command="" help i
  commands=" $(_portal_inspect_commands "$program" | tr '\n' ' ')"
  for ((i = 1; i < COMP_CWORD; i++)); do
    if [[ $commands == *" ${COMP_WORDS[i]} "* ]]; then
      command=${COMP_WORDS[i]}
      break
    fi
  done
  if [[ -n $command ]]; then
    help=$("$program" "$command" --help 2>/dev/null)
  else
    help=$("$program" --help 2>/dev/null)
  fi

  # An option's value: a path for FILE, a directory for DIR, nothing to
  # offer for a number or an id.
  if [[ $prev == --* ]]; then
    local value
    value=$(grep -o -- "$prev [A-Z0-9x]*" <<<"$help" | head -n 1)
    case ${value#"$prev "} in
      FILE) COMPREPLY=($(compgen -f -- "$cur")); return ;;
      DIR) COMPREPLY=($(compgen -d -- "$cur")); return ;;
      "") ;;
      *) COMPREPLY=(); return ;;
    esac
  fi

  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u) --help" -- "$cur"))
  elif [[ -z $command ]] && ((COMP_CWORD == 1)); then
    # ARCHIVE, or swatch, which reads no archive.
    COMPREPLY=($(compgen -f -- "$cur") $(compgen -W "swatch" -- "$cur"))
  elif [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "$commands" -- "$cur"))
  else
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
}

complete -o filenames -F _portal_inspect portal-inspect
