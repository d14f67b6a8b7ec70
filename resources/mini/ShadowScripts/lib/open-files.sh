#!/bin/sh
# Shadow script of text editors: lists the files named on the editor's command line
# (/proc/$PENWICK_APP_PID/cmdline) that exist, and marks active the one whose name the
# window title shows. Prints the JSON array PenwickMini reads.

[ -n "$PENWICK_APP_PID" ] || { echo '[]'; exit 0; }
cmdline="/proc/$PENWICK_APP_PID/cmdline"
[ -r "$cmdline" ] || { echo '[]'; exit 0; }
cwd=$(readlink "/proc/$PENWICK_APP_PID/cwd" 2>/dev/null)

# JSON string body of $1: backslash, quote and control characters escaped.
json_escape() {
    printf '%s' "$1" | sed -e 's/\\/\\\\/g' -e 's/"/\\"/g' -e 's/	/\\t/g' -e 's/\r/\\r/g' \
        | awk 'NR > 1 { printf "\\n" } { printf "%s", $0 }'
}

printf '['
first=1
skip=1
# The arguments, NUL-separated; the first is the program itself.
tr '\000' '\n' < "$cmdline" | while IFS= read -r arg; do
    if [ "$skip" = 1 ]; then skip=0; continue; fi
    case "$arg" in
        -*|'') continue ;;
        /*) path=$arg ;;
        *) path="$cwd/$arg" ;;
    esac
    [ -f "$path" ] || continue
    name=${path##*/}
    active=false
    case "$PENWICK_WINDOW_TITLE" in
        *"$name"*) active=true ;;
    esac
    [ "$first" = 1 ] || printf ','
    first=0
    printf '{"title":"%s","path":"%s","active":%s}' "$(json_escape "$name")" "$(json_escape "$path")" "$active"
done
printf ']\n'
