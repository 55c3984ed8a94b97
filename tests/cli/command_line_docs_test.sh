#!/usr/bin/env bash
# The man page text and the bash completion that vellumine-cli makes of its
# own command line: every option its help names is in the man page, and the
# completion, loaded into bash with bash-completion, completes commands,
# options and fixed choices.
set -u
cli=$1 version=$2
. "$(dirname "$0")/check.sh"
bash "$(dirname "$0")/../../scripts/apt-ensure.sh" bash-completion >/dev/null
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

check "--version" "vellumine-cli $version" "$("$cli" --version)"
"$cli" --man-page > "$work/man.scd"
commands=$("$cli" --help | sed -n '/^Subcommands:/,$p' | awk 'NR > 1 && NF {print $1}')
check "some commands" yes "$([ "$(wc -w <<<"$commands")" -ge 5 ] && echo yes || echo no)"
for command in $commands; do
  check "man: command $command" 1 "$(grep -cx "## $command" "$work/man.scd")"
  section=$(sed -n "/^## $command\$/,/^## /p" "$work/man.scd")
  for option in $("$cli" "$command" --help | grep -o '^  --[a-z-]*' | grep -v -- '--help'); do
    check "man: $command $option" yes "$(grep -qF -- "*$option*" <<<"$section" && echo yes || echo no)"
  done
done
check "man: hidden flags stay hidden" 0 "$(grep -c 'man-page\|bash-completion' "$work/man.scd")"

"$cli" --bash-completion > "$work/completion"
# complete_line LINE: what the completion offers for the last word of LINE.
complete_line() {
  bash -c '
    . /usr/share/bash-completion/bash_completion
    . "$1"
    read -ra COMP_WORDS <<<"$2"
    [[ $2 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$2 COMP_POINT=${#2}
    cd "$3"
    _vellumine_cli vellumine-cli
    printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd" "' bash "$work/completion" "$1" "$work/files"
}
mkdir -p "$work/files/Ablage" && touch "$work/files/Ablage/Posteingang.dbx"
while IFS='|' read -r line expected; do
  check "complete '$line'" "$expected" "$(complete_line "$line")"
done <<'EOF_CASES'
vellumine-cli ex|export
vellumine-cli s|save search source
vellumine-cli --st|--store
vellumine-cli --store Ablage l|list
vellumine-cli export --fo|--format
vellumine-cli export --format |html mixed text
vellumine-cli migrate --format |eml maildir mboxrd thunderbird
vellumine-cli parse --body h|html
vellumine-cli list --|--help --report --salvage
vellumine-cli --store Ablage list Ablage/P|Ablage/Posteingang.dbx
vellumine-cli save x.dbx out --offsets |
EOF_CASES

[ "$failures" -eq 0 ] && echo "all passed" || { echo "$failures failed"; exit 1; }
