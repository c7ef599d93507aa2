#!/bin/sh
# Stands in for the user's picture editor: adds MARK to the end of FILE and
# saves, either in place (the same file rewritten, twice, as some editors do,
# leaving its folder untouched) or by writing a new file beside it and
# renaming that over the old one.
# usage: fake_editor.sh inplace|rename FILE MARK
set -e
mode=$1
file=$2
case $mode in
inplace) new=$(mktemp) ;;
rename) new="$file.saving" ;;
*) exit 2 ;;
esac
{ cat "$file"; printf '%s' "$3"; } >"$new"
if [ "$mode" = inplace ]; then
    cat "$new" >"$file"
    cat "$new" >"$file"
    rm -f "$new"
else
    mv -f "$new" "$file"
fi
