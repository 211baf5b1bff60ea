# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for korvel-cli: commands, options, files and ports.
_korvel_cli()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case $prev in
        -p|--port)
            local devices
            devices=$(compgen -G '/dev/serial/by-id/*'; compgen -G '/dev/ttyUSB*'; compgen -G '/dev/ttyACM*')
            COMPREPLY=($(compgen -W "auto 0 1 2 3 4 $devices" -- "$cur"))
            return ;;
        --pacing)
            COMPREPLY=($(compgen -W "prompt fixed" -- "$cur"))
            return ;;
        load|merge|sync|save|verify)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
        -b|--baud)
            COMPREPLY=($(compgen -W "300 1200 2400 4800 9600 19200 38400 57600 115200" -- "$cur"))
            return ;;
        send|--until|--timeout|--profile)
            return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "-p --port -b --baud --pacing --yes --json -q --quiet --check --until
                                 --timeout --profile -h --help --version" -- "$cur"))
    else
        COMPREPLY=($(compgen -W "load merge sync save verify run send memory ports" -- "$cur"))
    fi
}
complete -F _korvel_cli korvel-cli
