#!/usr/bin/env bash
# Reads the built help file back with a CHM reader (extract_chmLib): it opens as a CHM, holds
# every page of its contents, and every link and picture of its pages resolves.
set -euo pipefail
chm=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
extract_chmLib "$chm" "$work" >/dev/null
failed=0
fail() { echo "FAIL: $*"; failed=1; }

[ -f "$work/toc.hhc" ] || fail "no table of contents"
[ -f "$work/index.hhk" ] || fail "no index"
pages=$(grep -o 'name="Local" value="[^"]*"' "$work/toc.hhc" | sed 's/.*value="//; s/"$//')
[ "$(echo "$pages" | wc -l)" -ge 12 ] || fail "the contents list fewer than 12 pages"
for page in $pages; do
    [ -f "$work/$page" ] || fail "contents name $page, which is not in the file"
done
for page in "$work"/*.html; do
    grep -q '<title>[^<]' "$page" || fail "$(basename "$page") has no title"
    for link in $(grep -o '\(href\|src\)="[^"#]*"' "$page" | sed 's/^[a-z]*="//; s/"$//'); do
        case $link in http*|mailto:*) continue ;; esac
        [ -f "$work/$link" ] || fail "$(basename "$page") links to missing $link"
    done
done
for page in index clock compose edit power missed warning later today tray settings eventfile deploy commandline troubleshooting; do
    [ -f "$work/$page.html" ] || fail "no page $page.html"
done
if [ "$failed" -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; fi
exit "$failed"
