# SPDX-License-Identifier: MIT
# bash completion for pelmora-cli and pelmora: commands, options, option
# values, and folders or files where the command wants them. Installed under
# both names; each file defines both functions.

# Words the options of a command take, one option per word; a trailing "="
# means the option takes a value in the same word.
_pelmora_cli_options() {
    local shared="--format= --encoding= --display-names --no-display-names"
    case $1 in
        list) echo "-r --recursive --sort= --reverse $shared --help" ;;
        dups) echo "-r --recursive --id-only --keep= --trash --yes $shared --help" ;;
        search) echo "-r --recursive --from= --to= --subject= --body= --after= --before= --attach --ask $shared --help" ;;
        export) echo "-o --output= -r --recursive --display-names --no-display-names --help" ;;
        strip) echo "--dry-run --yes --keep-record --display-names --no-display-names --help" ;;
        trash) echo "--yes --help" ;;
        decode) echo "--encoding= --help" ;;
        books) echo "--format= --encoding= --help" ;;
        show) echo "--format= --source --display-names --no-display-names --help" ;;
        attachments) echo "--format= --display-names --no-display-names --help" ;;
        extract) echo "-o --output= --yes --display-names --no-display-names --help" ;;
    esac
}

# Sets COMPREPLY to the folders (or, with "files", the files and folders)
# that begin with $1.
_pelmora_cli_paths() {
    compopt -o filenames 2>/dev/null
    if [[ ${2-} == files ]]; then
        mapfile -t COMPREPLY < <(compgen -f -- "$1")
    else
        mapfile -t COMPREPLY < <(compgen -d -- "$1")
    fi
}

_pelmora_cli() {
    local cword=$COMP_CWORD
    local cur=${COMP_WORDS[cword]}
    local prev=""
    ((cword > 0)) && prev=${COMP_WORDS[cword - 1]}
    COMPREPLY=()

    if ((cword == 1)); then
        mapfile -t COMPREPLY < <(compgen -W "list dups search export strip trash decode books show attachments
            extract --help --version" -- "$cur")
        return
    fi
    local command=${COMP_WORDS[1]}

    # An option and its value: bash splits "--format=tsv" into "--format",
    # "=", "tsv" when "=" is a word break (the default); otherwise the value
    # is in the same word as the option and the reply repeats the option.
    local option="" value="" lead=""
    if [[ $cur == "=" ]]; then
        option=$prev
    elif [[ $prev == "=" ]] && ((cword >= 3)); then
        option=${COMP_WORDS[cword - 2]}
        value=$cur
    elif [[ $cur == --*=* ]]; then
        option=${cur%%=*}
        value=${cur#*=}
        lead=$option=
    fi
    if [[ -n $option ]]; then
        local values=""
        case $option in
            --format)
                # The address books are no message list: no CSV for them.
                case $command in
                    show) values="text json" ;;
                    books | attachments) values="table tsv json" ;;
                    *) values="table tsv csv json" ;;
                esac
                ;;
            --encoding) values="utf-8 cp932" ;;
            --sort) values="sender subject received size folder recipients sent" ;;
            --keep) values="oldest newest largest under:" ;;
            --output)
                _pelmora_cli_paths "$value" "$([[ $command == extract ]] || echo files)"
                [[ -n $lead ]] && COMPREPLY=("${COMPREPLY[@]/#/$lead}")
                return
                ;;
            *) return ;;
        esac
        mapfile -t COMPREPLY < <(compgen -P "$lead" -W "$values" -- "$value")
        # under: goes on with a folder.
        [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *: ]] && compopt -o nospace 2>/dev/null
        return
    fi
    if [[ $command == export && $prev == -o ]]; then
        _pelmora_cli_paths "$cur" files
        return
    fi
    if [[ $command == extract && $prev == -o ]]; then
        _pelmora_cli_paths "$cur"
        return
    fi

    local i
    for ((i = 2; i < cword; i++)); do
        [[ ${COMP_WORDS[i]} == -- ]] && break
    done
    if [[ $cur == -* ]] && ((i == cword)); then
        mapfile -t COMPREPLY < <(compgen -W "$(_pelmora_cli_options "$command")" -- "$cur")
        [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
        return
    fi
    case $command in
        list | dups | search | export) _pelmora_cli_paths "$cur" ;;
        strip | trash | show | attachments | extract) _pelmora_cli_paths "$cur" files ;;
    esac
}

_pelmora() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    COMPREPLY=()
    if ((COMP_CWORD == 1)) && [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "--help --version" -- "$cur")
    elif ((COMP_CWORD == 1)); then
        _pelmora_cli_paths "$cur"
    fi
}

complete -F _pelmora_cli pelmora-cli
complete -F _pelmora pelmora
