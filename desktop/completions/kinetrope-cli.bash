# bash completion for kinetrope-cli: its commands and each command's options
# as --help lists them (so they are always the installed tool's), and flic
# files where a flic is read; any file where one is written.
_kinetrope_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} help command=${COMP_WORDS[1]}
  help=$("${COMP_WORDS[0]}" --help 2> /dev/null)
  if [[ $COMP_CWORD -eq 1 ]]; then
    COMPREPLY=($(compgen -W "$(sed -n 's/^  \([a-z-][a-z-]*\) .*/\1/p' <<< "$help" | sort -u)" -- "$cur"))
    return
  fi
  # The command's lines: its own and the continuation lines after them.
  local lines
  lines=$(awk -v c="$command" '/^  [a-z-]/ {on = ($1 == c)} on' <<< "$help")
  # An option followed by a placeholder (--size N) takes a value: nothing to offer.
  grep -q -- "$prev [A-Z]" <<< "$lines" && [[ $prev == --* ]] && return
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(grep -o -- '--[a-z][a-z-]*' <<< "$lines" | sort -u)" -- "$cur"))
    return
  fi
  compopt -o filenames
  # The first file named is the flic; later ones are written.
  local i flic=""
  for ((i = 2; i < COMP_CWORD; i++)); do
    if [[ ${COMP_WORDS[i]} == -* ]]; then
      grep -q -- "${COMP_WORDS[i]} [A-Z]" <<< "$lines" && ((i++))
    else
      flic=yes
    fi
  done
  if [[ -z $flic ]]; then
    COMPREPLY=($(compgen -f -X '!*.@([Ff][Ll][IiCc]|[Cc][Ee][Ll])' -- "$cur") $(compgen -d -- "$cur"))
  else
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
}
complete -F _kinetrope_cli kinetrope-cli
