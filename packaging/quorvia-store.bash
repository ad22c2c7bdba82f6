# bash completion for quorvia-store: its commands, their options, and files
# or folders where a command takes one.
_quorvia_store() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  local commands='init import export backup ls show find reports-db demo reports-dsn history undo preview check'
  case $prev in
    --store | --output | import | backup | reports-db | reports-dsn)
      compopt -o filenames
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return ;;
    --sysini)
      compopt -o filenames
      mapfile -t COMPREPLY < <(compgen -d -- "$cur")
      return ;;
  esac
  local word command=
  for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
    [[ " $commands " == *" $word "* ]] && { command=$word; break; }
  done
  local options='--store --help'
  case $command in
    '') options+=' --version' ;;
    init) options+=' --outlook-version' ;;
    export) options+=" --output" ;;
    demo) options+=' --accounts --seed --folders --items --key-account-items' ;;
    reports-dsn) options+=' --sysini' ;;
    history) options+=' --prune' ;;
    undo) options+=' --force' ;;
  esac
  if [[ -z $command && $cur != -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
  else
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
  fi
}
complete -F _quorvia_store quorvia-store
