# bash completion for kelvarin-cli: its subcommands, then each one's options
# (as `kelvarin-cli SUBCOMMAND --help` lists them) and file names.
_kelvarin_cli() {
    local current="${COMP_WORDS[COMP_CWORD]}" options
    if ((COMP_CWORD == 1)); then
        mapfile -t COMPREPLY < <(compgen -W "import filelist verify orphans root pack unpack --help --version" -- "$current")
        return
    fi
    case "${COMP_WORDS[1]}" in
        import) options="--root --dry-run --workers --changed --json --quiet --help" ;;
        filelist) options="--root --out --exclude --changed --list-encoding --json --quiet --help" ;;
        verify) options="--root --list --source --exclude --list-encoding --json --quiet --help" ;;
        orphans) options="--root --delete --changed --json --quiet --help" ;;
        *) options="--help" ;;
    esac
    if [[ "$current" == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$current")
    else
        mapfile -t COMPREPLY < <(compgen -f -- "$current")
    fi
}
complete -o filenames -F _kelvarin_cli kelvarin-cli
