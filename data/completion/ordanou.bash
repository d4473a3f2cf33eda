# bash completion for ordanou. Field names come from the program itself
# (ordanou --settings), so they always match the installed build; the option
# list follows the program's option table (a test holds it to it).
_ordanou() {
  local cur prev
  COMPREPLY=()
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  case $prev in
    --sort) COMPREPLY=($(compgen -W "name size date ext natural created" -- "$cur")); return ;;
    --size-unit) COMPREPLY=($(compgen -W "byte kb mb auto" -- "$cur")); return ;;
    --depth|--pattern|--crawl|--sample|--find|--ext|--size|--newer|--older|--create-profile) return ;;
    --volume|--unique|--forget|--rename-profile|--delete-profile) return ;;
    --output|-o|--verify|--compare|--library) COMPREPLY=($(compgen -f -- "$cur")); return ;;
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
    local options="--help -h --version -V --quiet -q --yes --output -o --utf8 --crawl
      --check-update --compare --verify --sample --json --jsonl --set --md5 --hidden --archives --shortcuts
      --dates --tree --relative --clipboard --depth --sort --reverse --size-unit --pattern
      --settings --save --profiles --create-profile --rename-profile --delete-profile
      --library --add --library-too --rehash --import --find --ext --size --volume --newer --older
      --volumes --snapshots --duplicates --unique --forget --"
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    return
  fi
  COMPREPLY=($(compgen -f -- "$cur"))
}
complete -o filenames -F _ordanou ordanou
