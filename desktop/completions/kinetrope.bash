# bash completion for kinetrope: its words (/PLAYFILE ... as --help lists
# them, so they are always the installed player's), --help, --version, and
# flic files; a word's file argument is a flic or, for /WAVFILE, a WAV file.
_kinetrope() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} help argument
  help=$("${COMP_WORDS[0]}" --help 2> /dev/null)
  # The word before, in any case and with / or -, and what it takes.
  [[ $prev =~ ^[-/][A-Za-z]+$ ]] && argument=$(sed -n "s|^  /${prev:1} \([A-Z.]*\) .*|\1|Ip" <<< "$help" | head -n 1)
  if [[ $COMP_CWORD -gt 1 && $argument == FILE ]]; then
    local pattern='!*.@([Ff][Ll][IiCc]|[Cc][Ee][Ll])'
    [[ ${prev^^} == [-/]WAVFILE ]] && pattern='!*.[Ww][Aa][Vv]'
    compopt -o filenames
    COMPREPLY=($(compgen -f -X "$pattern" -- "$cur") $(compgen -d -- "$cur"))
    return
  fi
  [[ -n $argument ]] && return  # a number
  local IFS=$'\n'
  case $cur in
    -*) COMPREPLY=($(compgen -W "--help
--version
$(sed -n 's|^  /\([A-Z]*\).*|-\L\1|p' <<< "$help")" -- "$cur")) ;;
    /*) COMPREPLY=($(compgen -W "$(sed -n 's|^  \(/[A-Z]*\).*|\1|p' <<< "$help")" -- "$cur")) ;;
  esac
  # Absolute names are files too, so / completes both.
  if [[ $cur != -* ]]; then
    compopt -o filenames
    COMPREPLY+=($(compgen -f -X '!*.@([Ff][Ll][IiCc]|[Cc][Ee][Ll])' -- "$cur") $(compgen -d -- "$cur"))
  fi
}
complete -F _kinetrope kinetrope
