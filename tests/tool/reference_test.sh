#!/usr/bin/env bash
# The man page and the bash completion against the tool's own --help: every
# command, subcommand and option that `brenvik [CMD [SUB]] --help` lists must
# have its entry in the man page (the option inside the entry of its command)
# and be offered by the completion.
#   reference_test.sh BRENVIK MANPAGE COMPLETION
set -uo pipefail
tool=$1 manpage=$2 completion=$3
failures=0
fail() { echo "MISSING: $*"; failures=$((failures + 1)); }

# One section of a --help text ("Options", "Subcommands"): the first column
# of its entries, one a line.
section() {
  awk -v want="$2" '
    /^[A-Za-z]+:/ { name = tolower($0); sub(/:.*/, "", name); on = (name == tolower(want)); next }
    on && /^  [^ ]/ { line = $0; sub(/^  /, "", line); sub(/  .*/, "", line); print line }
    on && /^[^ ]/ { on = 0 }' <<<"$1"
}
# The option names (-x, --long) of an Options section.
options_of() { section "$1" Options | tr ', ' '\n\n' | grep -E '^-' | sed 's/=.*//'; }
subcommands_of() { section "$1" Subcommands | awk '{ print $1 }'; }

# The man page as plain text, one entry a line: the heading of its section,
# a tab, and the entry (the text from a .TP, .SS or .SH to the next, so a
# command's entry begins "brenvik CMD SUB").
entries=$(sed -E -e 's/\\f[BIRP]//g; s/\\-/-/g; s/\\e/\\/g; s/\\\(dq/"/g; s/\\&//g' \
                 -e '/^\.\\"/d' "$manpage" |
  awk '
    function flush() { if (text != "") print section "\t" text; text = "" }
    /^\.SH/ { flush(); sub(/^\.SH */, ""); gsub(/"/, ""); section = $0; next }
    /^\.SS/ { flush(); sub(/^\.SS */, ""); text = "SS " $0; next }
    /^\.TP/ { flush(); next }
    /^\.(B|I|BR|BI|IB|IR|RB|RI) / { sub(/^\.[A-Z]+ /, ""); gsub(/"/, "") }
    /^\./ { next }
    { text = text == "" ? $0 : text " " $0 }
    END { flush() }' | tr -s ' ')

# The entry of a command ("brenvik fs delete ...") must exist and name each
# option given.
has_token() { grep -qE -- "(^|[^-[:alnum:]])$2([^-[:alnum:]]|$)" <<<"$1"; }
check_entry() {
  local cmd=$1; shift
  local entry
  entry=$(grep -E "^COMMANDS"$'\t'"brenvik $cmd( |$)" <<<"$entries" | head -n 1)
  if [[ -z $entry ]]; then fail "man page: no entry for 'brenvik $cmd'"; return; fi
  local opt
  for opt in "$@"; do
    has_token "$entry" "$opt" || fail "man page: option $opt of 'brenvik $cmd'"
  done
}

# What the completion offers for the words typed so far (the last one
# being completed).
source "$completion"
offers() {
  COMP_WORDS=(brenvik "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _brenvik
  printf '%s\n' "${COMPREPLY[@]}"
}
check_offered() {
  local item=$1 offered
  shift
  offered=$(offers "$@")
  grep -qxF -- "$item" <<<"$offered" || fail "completion: '$item' for 'brenvik $*'"
}

# Options of a command that the global part of the man page covers.
shared_option() { [[ $1 == -h || $1 == --help || $1 == --json || $1 == --win ]]; }

top=$("$tool" --help) || { echo "brenvik --help failed"; exit 1; }
commands=$(subcommands_of "$top")
[[ -n $commands ]] || { echo "no commands found in brenvik --help"; exit 1; }
checked=0
for opt in $(options_of "$top"); do
  has_token "$(grep -E "^GLOBAL OPTIONS"$'\t' <<<"$entries")" "$opt" ||
    fail "man page: global option $opt"
  check_offered "$opt" -
  checked=$((checked + 1))
done

for cmd in $commands; do
  grep -qE "^COMMANDS"$'\t'"SS $cmd( |$)" <<<"$entries" || fail "man page: no section for command '$cmd'"
  check_offered "$cmd" ""
  help=$("$tool" "$cmd" --help) || { fail "'brenvik $cmd --help' failed"; continue; }
  subs=$(subcommands_of "$help")
  targets=()
  if [[ -z $subs ]]; then
    targets=("$cmd")
  else
    for sub in $subs; do
      check_offered "$sub" "$cmd" ""
      targets+=("$cmd $sub")
    done
  fi
  for target in "${targets[@]}"; do
    # shellcheck disable=SC2086
    help=$("$tool" $target --help) || { fail "'brenvik $target --help' failed"; continue; }
    own=()
    for opt in $(options_of "$help"); do
      # shellcheck disable=SC2086
      check_offered "$opt" $target -
      shared_option "$opt" || own+=("$opt")
    done
    check_entry "$target" "${own[@]}"
    checked=$((checked + 1 + ${#own[@]}))
  done
done

echo "$checked commands and options checked, $failures missing"
((failures == 0))
