#!/usr/bin/env bash
# Run by ctest: the manual pages and the bash completion against the program
# they describe. Every option projconv-batch --help lists must appear in its
# manual page and be offered by the completion, and the completion must offer
# no option the program lacks; every settings key the program reads must be
# described in both manual pages.
#   manual_test.sh BATCH BATCH_MAN GUI_MAN COMPLETION PARAMETER_TABLE_CPP
set -euo pipefail
batch=$1 batch_man=$2 gui_man=$3 completion=$(realpath "$4") keys_source=$5
status=0
fail() {
  echo "manual: $*" >&2
  status=1
}

# The long options of the help's option list, which ends at its first blank line.
help_options=$("$batch" --help | sed -n '/^Options:/,/^$/p' | grep -oE '^ +(-[a-zA-Z], )?--[a-z0-9-]+' |
  grep -oE -- '--[a-z0-9-]+' | sort -u)
[[ $(wc -l <<<"$help_options") -ge 30 ]] || fail "only $(wc -l <<<"$help_options") options read from --help"

# roff writes a minus as \-; the page's options are the ones it sets in bold or
# as tagged paragraphs, but any mention as a whole word would do for a reader.
man_text=$(sed 's/\\-/-/g' "$batch_man")
for option in $help_options; do
  grep -qE -- "(^|[^a-z0-9-])$option([^a-z0-9-]|$)" <<<"$man_text" ||
    fail "$option is in --help but not in $(basename "$batch_man")"
done
grep -q '^\.SH EXAMPLES' "$batch_man" || fail "$(basename "$batch_man") has no EXAMPLES"
grep -q '^\.SH FILES' "$batch_man" || fail "$(basename "$batch_man") has no FILES"
grep -qi 'exit status' "$batch_man" || fail "$(basename "$batch_man") gives no exit status"

keys=$(grep -oE '^ *\{&S::[A-Za-z]+, +"[a-z_]+", +"[A-Za-z]+",' "$keys_source" | grep -oE '"[A-Za-z]+",$' |
  tr -d '",')
[[ $(wc -w <<<"$keys") -eq 21 ]] || fail "read $(wc -w <<<"$keys") settings keys from $keys_source, not 21"
for page in "$batch_man" "$gui_man"; do
  for key in $keys; do
    grep -qw -- "$key" "$page" || fail "the settings key $key is not in $(basename "$page")"
  done
done

# What the completion offers after "--", in the shell bash-completion sets up.
offered=$(bash --norc --noprofile -c '
  source /usr/share/bash-completion/bash_completion
  source "$1"
  COMP_WORDS=(projconv-batch --) COMP_CWORD=1 COMP_LINE="projconv-batch --" COMP_POINT=17
  _projconv_batch
  printf "%s\n" "${COMPREPLY[@]}"' completion "$completion" | sort -u)
missing=$(comm -23 <(echo "$help_options") <(echo "$offered"))
extra=$(comm -13 <(echo "$help_options") <(echo "$offered"))
[[ -z $missing ]] || fail "the completion does not offer:" $missing
[[ -z $extra ]] || fail "the completion offers options the program lacks:" $extra

# --out-type completes to the names its help gives, "--out-type <raw|tiff|...>".
help_types=$("$batch" --help | grep -oE -- '--out-type <[^>]+>' | grep -oE '<.*>' | tr -d '<>' | tr '|' '\n' | sort)
offered_types=$(bash --norc --noprofile -c '
  source /usr/share/bash-completion/bash_completion
  source "$1"
  COMP_WORDS=(projconv-batch --out-type "") COMP_CWORD=2 COMP_LINE="projconv-batch --out-type "
  COMP_POINT=${#COMP_LINE}
  _projconv_batch
  printf "%s\n" "${COMPREPLY[@]}"' completion "$completion" | sort)
[[ -n $help_types && $help_types == "$offered_types" ]] ||
  fail "--out-type completes to" $offered_types "but --help names" $help_types

# An option that takes a folder completes folders only.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/scans" && touch "$scratch/scan.ini"
folders=$(cd "$scratch" && bash --norc --noprofile -c '
  source /usr/share/bash-completion/bash_completion
  source "$1"
  COMP_WORDS=(projconv-batch --in-folder sca) COMP_CWORD=2 COMP_LINE="projconv-batch --in-folder sca"
  COMP_POINT=${#COMP_LINE}
  _projconv_batch
  printf "%s\n" "${COMPREPLY[@]}"' completion "$completion")
[[ $folders == scans ]] || fail "--in-folder sca completed to \"$folders\", not the folder scans"

[[ $status -eq 0 ]] && echo "manual: $(wc -l <<<"$help_options") options and $(wc -w <<<"$keys") settings keys described; the completion offers every option"
exit $status
