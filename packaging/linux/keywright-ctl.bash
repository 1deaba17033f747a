# bash completion for keywright-ctl: its commands, their options and words,
# the shared options, and folder names after --dir.
_keywright_ctl() {
    local cur prev words cword
    _init_completion || return

    case $prev in
    --dir)
        _filedir -d
        return
        ;;
    --sim-keys)
        _filedir
        return
        ;;
    --sim-firmware | --brightness | --speed | --direction | --selection | --level | \
        --play | --repeat | --key | --media | --combo | --macro)
        return
        ;;
    esac

    local options="--dir --simulate --sim-no-keyboard --sim-firmware --trace --help --version"
    local commands="settings list version effect side replay factory-reset assign unassign
        assignments macro keys send run autostart"

    # The command is the first word that is neither an option nor an option's value.
    local i command=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
        --dir | --sim-firmware) ((i++)) ;;
        -*) ;;
        *)
            command=${words[i]}
            break
            ;;
        esac
    done

    local more=""
    case $command in
    "") more=$commands ;;
    settings) more="dump normalize" ;;
    effect) more="--brightness --speed --direction --selection" ;;
    side) more="--level" ;;
    assign) more="--key --media --combo --macro --play --repeat" ;;
    assignments) more="--json" ;;
    macro) more="list export import" ;;
    run) more="--sim-keys" ;;
    autostart) more="on off" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options $more" -- "$cur"))
        return
    fi
    local word plain=""
    for word in $more; do
        [[ $word == -* ]] || plain+=" $word"
    done
    COMPREPLY=($(compgen -W "$plain" -- "$cur"))
} &&
    complete -F _keywright_ctl keywright-ctl
