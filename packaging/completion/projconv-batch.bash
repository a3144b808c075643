# bash completion for projconv-batch: its options, the values of the options
# that take one of a few words, and file or folder names where an option takes
# one. Installed to bash-completion's completions folder, which loads it the
# first time projconv-batch is completed. The build puts the output formats'
# names in place of @OUTPUT_TYPES@ (tools/completion_types.cpp).

_projconv_batch() {
  local cur prev words cword
  _init_completion || return

  case $prev in
    --settings | --preview | --probe | --out-file | --sidecar)
      _filedir
      return
      ;;
    --in-folder | --out-folder)
      _filedir -d
      return
      ;;
    --type)
      COMPREPLY=($(compgen -W 'int16 float32' -- "$cur"))
      return
      ;;
    --byte-order)
      COMPREPLY=($(compgen -W 'little big' -- "$cur"))
      return
      ;;
    --out-type)
      COMPREPLY=($(compgen -W '@OUTPUT_TYPES@' -- "$cur"))
      return
      ;;
    --combine)
      COMPREPLY=($(compgen -W 'mean median' -- "$cur"))
      return
      ;;
    --correct)
      COMPREPLY=($(compgen -W 'transmission attenuation' -- "$cur"))
      return
      ;;
    --flat | --dark)
      _filedir
      return
      ;;
    --progress)
      COMPREPLY=($(compgen -W 'json' -- "$cur"))
      return
      ;;
    --shard)
      COMPREPLY=($(compgen -W 'slurm' -- "$cur"))
      return
      ;;
    # Numbers, sizes, patterns and windows: nothing sensible to offer.
    --in-format | --out-format | --start | --header-len | --in-size | --out-size | --crop | \
      --centre | --angle | --scale | --count | --out-start | --follow | --settle | --threads | \
      --flat-first | --flat-count | --dark-first | --dark-count | --correct-scale)
      return
      ;;
    --help | -h | --version)
      return
      ;;
  esac

  COMPREPLY=($(compgen -W '--settings --defaults --in-folder --out-folder --in-format
    --out-format --start --header-len --type --byte-order --in-size --out-size --crop
    --centre --angle --scale --signed --unsigned --flat --flat-first --flat-count --dark
    --dark-first --dark-count --combine --correct --correct-scale --preview --out-type --out-file
    --sidecar --count --out-start --shard --skip-existing --follow --settle --progress --probe
    --threads --quiet --help --version' -- "$cur"))
}
complete -F _projconv_batch projconv-batch
