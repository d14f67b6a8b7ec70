#!/bin/sh
# Shadow script of text editors: lists the files named on the editor's command line
# (/proc/$PENWICK_APP_PID/cmdline) that exist, and marks active the one the window title names.
# Prints the JSON array PenwickMini reads.
#
# Names are matched whole, never as part of a longer name ("a.md" is not in "data.md"): first a
# file whose whole path the title shows (also with the home folder as "~"), then one whose name
# and folder it shows ("a.md (~/notes) - gedit"), then one whose name alone it shows. At most one
# file is active.

[ -n "$PENWICK_APP_PID" ] || { echo '[]'; exit 0; }
cmdline="/proc/$PENWICK_APP_PID/cmdline"
[ -r "$cmdline" ] || { echo '[]'; exit 0; }
cwd=$(readlink "/proc/$PENWICK_APP_PID/cwd" 2>/dev/null)

# The arguments, NUL-separated; the first is the program itself. A path is one line.
tr '\000' '\n' < "$cmdline" | {
    read -r _program
    while IFS= read -r arg; do
        case "$arg" in
            -*|'') continue ;;
            /*) path=$arg ;;
            *) path="$cwd/$arg" ;;
        esac
        [ -f "$path" ] && printf '%s\n' "$path"
    done
} | awk '
function pathchar(c) { return c ~ /[A-Za-z0-9._~\/-]/ }
function namechar(c) { return c ~ /[A-Za-z0-9._~-]/ }
# Whether s stands in t whole: no path character (for a name, no name character) on either side.
function whole(t, s, isName,    offset, i, before, after) {
    if (s == "")
        return 0
    offset = 0
    while ((i = index(substr(t, offset + 1), s)) > 0) {
        i += offset
        before = i > 1 ? substr(t, i - 1, 1) : ""
        after = substr(t, i + length(s), 1)
        if ((before == "" || !(isName ? namechar(before) : pathchar(before))) &&
            (after == "" || !(isName ? namechar(after) : pathchar(after))))
            return 1
        offset = i
    }
    return 0
}
# The path with the home folder as "~", or "" when it is not under it.
function tilde(p) {
    if (home != "" && home != "/" && index(p, home "/") == 1)
        return "~" substr(p, length(home) + 1)
    return ""
}
function shown(p) { return whole(title, p, 0) || whole(title, tilde(p), 0) }
function escape(s) {
    gsub(/\\/, "&&", s)
    gsub(/"/, "\\\"", s)
    gsub(/\t/, "\\t", s)
    gsub(/\r/, "\\r", s)
    return s
}
BEGIN { title = ENVIRON["PENWICK_WINDOW_TITLE"]; home = ENVIRON["HOME"]; n = 0 }
$0 != "" { path[++n] = $0 }
END {
    active = 0
    for (i = 1; i <= n && !active; i++)
        if (shown(path[i]))
            active = i
    for (i = 1; i <= n; i++) {
        name[i] = path[i]
        sub(/.*\//, "", name[i])
        folder[i] = substr(path[i], 1, length(path[i]) - length(name[i]) - 1)
    }
    for (i = 1; i <= n && !active; i++)
        if (whole(title, name[i], 1) && folder[i] != "" && shown(folder[i]))
            active = i
    for (i = 1; i <= n && !active; i++)
        if (whole(title, name[i], 1))
            active = i
    printf "["
    for (i = 1; i <= n; i++)
        printf "%s{\"title\":\"%s\",\"path\":\"%s\",\"active\":%s}", (i > 1 ? "," : ""), escape(name[i]),
            escape(path[i]), (i == active ? "true" : "false")
    printf "]\n"
}'
