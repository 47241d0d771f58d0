# Bash completion for the veilcraft command: its subcommands, their options
# and the values of the options that take one.

_veilcraft()
{
    local cur prev words cword
    _init_completion || return

    local commands="encrypt encrypt-folder decrypt list extract base64 cipher regsvr shred zip"
    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$commands --help" -- "$cur"))
        return
    fi

    case $prev in
        --cipher)
            COMPREPLY=($(compgen -W "Blowfish RC4" -- "$cur"))
            return
            ;;
        --dest)
            _filedir -d
            return
            ;;
        --archive | --output)
            _filedir vkf
            return
            ;;
        --password-file)
            _filedir
            return
            ;;
        --passes)
            return
            ;;
    esac

    local command=${words[1]} options=""
    case $command in
        encrypt) options="--dest --cipher --remove-sources --overwrite --password-file --archive" ;;
        encrypt-folder) options="--output --cipher --overwrite --password-file" ;;
        decrypt) options="--overwrite --password-file" ;;
        list) options="--password-file" ;;
        extract) options="--dest --flat --overwrite --password-file" ;;
        base64)
            [[ $cword -eq 2 ]] && COMPREPLY=($(compgen -W "encode decode" -- "$cur"))
            return
            ;;
        cipher)
            case $cword in
                2) COMPREPLY=($(compgen -W "rc4 blowfish" -- "$cur")); return ;;
                3) COMPREPLY=($(compgen -W "encrypt decrypt" -- "$cur")); return ;;
            esac
            options="--password-file"
            ;;
        regsvr) options="--unregister" ;;
        shred) options="--passes --yes" ;;
        zip)
            if [[ $cword -eq 2 ]]; then
                COMPREPLY=($(compgen -W "create list extract" -- "$cur"))
                return
            fi
            options="--dest --flat"
            ;;
        *) return ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi
    case $command in
        decrypt | list | extract) _filedir vkf ;;
        *) _filedir ;;
    esac
}
complete -F _veilcraft veilcraft
