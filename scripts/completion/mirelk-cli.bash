# Bash completion for mirelk-cli: its options, the choices of the options that have a few, the
# formats (as the program lists them) and file names.
_mirelk_cli()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}

    case $prev in
        -f|--format)
            local formats
            formats=$("${COMP_WORDS[0]}" --list-formats 2>/dev/null | cut -d' ' -f1)
            COMPREPLY=($(compgen -W "$formats $(tr '[:upper:]' '[:lower:]' <<<"$formats")" -- "$cur"))
            return ;;
        --log-level) COMPREPLY=($(compgen -W "quiet error info debug all" -- "$cur")); return ;;
        --norm) COMPREPLY=($(compgen -W "auto pal ntsc" -- "$cur")); return ;;
        --video-encoder) COMPREPLY=($(compgen -W "auto divx xvid x264" -- "$cur")); return ;;
        --audio-encoder) COMPREPLY=($(compgen -W "auto aac ac3 flac mp3" -- "$cur")); return ;;
        --fps) COMPREPLY=($(compgen -W "auto 10 15 25 30" -- "$cur")); return ;;
        --aspect) COMPREPLY=($(compgen -W "auto 4:3 16:9 37:20 47:20" -- "$cur")); return ;;
        --channels) COMPREPLY=($(compgen -W "auto 1 2" -- "$cur")); return ;;
        --sample-rate) COMPREPLY=($(compgen -W "auto 8000 11025 22050 44100" -- "$cur")); return ;;
        --watermark) COMPREPLY=($(compgen -W "0 1" -- "$cur")); return ;;
        --journal)
            local IFS=$'\n'
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
        --speed) COMPREPLY=($(compgen -W "auto fastest fast medium slow slowest" -- "$cur")); return ;;
        --preset)
            # Preset names hold blanks: one a line, as the program lists them, and files.
            local IFS=$'\n' presets
            presets=$("${COMP_WORDS[0]}" --list-presets 2>/dev/null | sed 's/  \[built-in\]$//')
            COMPREPLY=($(compgen -W "$presets" -- "$cur") $(compgen -f -X '!*.json' -- "$cur"))
            return ;;
        -o|--out-dir)
            local IFS=$'\n'
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -d -- "$cur"))
            return ;;
        -j|--threads|--shard|--size|--volume|--video-bitrate|--audio-bitrate|--crop|--pad|--clip|\
        --filters|--text-hook|--input-options|--output-options|--quality|--audio-quality|--save-preset)
            return ;;
    esac

    if [[ $cur == -* ]]; then
        local options="-O --files-from -f --format --input-options --output-options -j --threads
            --shard --skip-done --journal --norm --video-encoder --audio-encoder --size --fps --aspect
            --channels --sample-rate --volume --video-bitrate --audio-bitrate --crop --pad --clip
            --filters --image-hook --text-hook --watermark --quality --audio-quality --speed
            --preset --save-preset -o --out-dir -y --overwrite -q --quiet --json --log-level --info
            --self-check --list-formats --list-presets -h --help"
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    # Names with blanks stay whole.
    local IFS=$'\n'
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$cur"))
}
complete -F _mirelk_cli mirelk-cli
