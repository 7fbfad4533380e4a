#!/usr/bin/env bash
# Every command, subcommand and option that `ulog --help` and each `ulog COMMAND --help` print is named
# in the manual page: a command or option added without its entry there fails.
# usage: ManPageCoversHelp.sh ULOG_BINARY ULOG_MAN_PAGE
set -euo pipefail
ulog=$1
# The page's text with roff's hyphen, quote and font escapes taken out.
text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' -e 's/\\(dq/"/g' "$2")
missing=0
check() { # $1: a word or phrase; $2: the help that printed it
    if ! grep -qE -- "(^|[^a-z-])$1([^a-z-]|\$)" <<<"$text"; then
        echo "ulog.1 does not name '$1' (printed by $2)"
        missing=1
    fi
}
main=$("$ulog" --help)
# "  add call|message|email ..." under "commands:": the command and its subcommands.
mapfile -t lines < <(sed -n '/^commands:/,/^$/s/^  \([a-z].*\)/\1/p' <<<"$main")
[ ${#lines[@]} -gt 0 ] || { echo "no commands in 'ulog --help'"; exit 1; }
for w in $(grep -oE -- '--[a-z][a-z-]*' <<<"$main" | sort -u); do check "$w" "ulog --help"; done
for line in "${lines[@]}"; do
    read -r cmd subs _ <<<"${line%%  *}" # the synopsis, before the description
    check "ulog $cmd" "ulog --help"
    if [[ $subs =~ ^[a-z][a-z|-]*$ ]]; then
        for sub in ${subs//|/ }; do check "ulog $cmd $sub" "ulog --help"; done
    fi
    help=$("$ulog" "$cmd" --help)
    for sub in $(grep -oE "ulog $cmd [a-z][a-z-]*" <<<"$help" | cut -d' ' -f3 | sort -u); do
        check "ulog $cmd $sub" "ulog $cmd --help"
    done
    for w in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do check "$w" "ulog $cmd --help"; done
done
exit $missing
