#!/bin/sh
# Every man page renders without a warning from man and groff, and has the sections a reader
# looks for. Usage: check-pages.sh PAGE...
sections="NAME|SYNOPSIS|DESCRIPTION|OPTIONS|FILES|EXIT STATUS|EXAMPLES|SEE ALSO"
[ $# -gt 0 ] || { echo "no man page given"; exit 2; }
failed=0
for page in "$@"; do
    if [ ! -s "$page" ]; then
        echo "$page: missing or empty"
        failed=1
        continue
    fi
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
        echo "$page: man warns:"
        echo "$warnings"
        failed=1
    fi
    # The headings as man renders them: at the start of a line, in capitals.
    heads=$(MANWIDTH=80 MAN_KEEP_FORMATTING= man -l "$page" 2>/dev/null | col -b | grep -E '^[A-Z][A-Z ]+$')
    old_ifs=$IFS
    IFS='|'
    for section in $sections; do
        if ! printf '%s\n' "$heads" | grep -qx "$section"; then
            echo "$page: no $section section"
            failed=1
        fi
    done
    IFS=$old_ifs
done
exit $failed
