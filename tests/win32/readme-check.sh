#!/usr/bin/env bash
# The text that comes with the Windows program ends every line with CR LF, so that every
# Windows editor, Notepad included, shows its lines as lines.
#
# usage: readme-check.sh <README-Windows.txt>
# Exit 77 (CTest's skip) when the Windows build has not made it.
set -euo pipefail
readme=$1
if [ ! -f "$readme" ]; then
    echo "SKIP: $readme is not made (the Windows build makes it)"
    exit 77
fi
lines=$(wc -l < "$readme")
crlf=$(grep -c $'\r$' "$readme" || true)
[ "$lines" -gt 0 ] && [ "$crlf" -eq "$lines" ] || {
    echo "FAIL: $crlf of $lines lines of $readme end in CR LF"
    exit 1
}
[ "$(tail -c 2 "$readme" | od -An -tx1 | tr -d ' ')" = 0d0a ] || {
    echo "FAIL: $readme does not end with CR LF"
    exit 1
}
echo "PASS: all $lines lines end in CR LF"
