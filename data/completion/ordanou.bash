# bash completion for ordanou. Field names come from the program itself
# (ordanou --settings), so they always match the installed build.
_ordanou() {
  local cur prev
  COMPREPLY=()
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  case $prev in
    --sort) COMPREPLY=($(compgen -W "name size date ext natural created" -- "$cur")); return ;;
    --size-unit) COMPREPLY=($(compgen -W "byte kb mb auto" -- "$cur")); return ;;
    --depth|--pattern|--crawl) return ;;
    --output) COMPREPLY=($(compgen -f -- "$cur")); return ;;
    --set)
      if [[ $cur != *=* ]]; then
        local fields
        fields=$(ordanou --settings 2>/dev/null | sed 's/=.*/=/')
        COMPREPLY=($(compgen -W "$fields" -- "$cur"))
        compopt -o nospace 2>/dev/null
      fi
      return ;;
  esac
  if [[ $cur == -* ]]; then
    local options="--set --md5 --hidden --archives --shortcuts --depth --sort --reverse
      --size-unit --dates --tree --pattern --relative --clipboard --output --settings --json
      --save --profiles --yes --crawl --check-update --help --version --"
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    return
  fi
  COMPREPLY=($(compgen -f -- "$cur"))
}
complete -o filenames -F _ordanou ordanou
