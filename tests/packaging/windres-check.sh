#!/usr/bin/env bash
# Compiles the Windows resource script the way a MinGW build of UiQuorvix
# would, then reads the compiled resources back and checks what Explorer
# will show: the version block and the icon in both sizes. Runs on Linux
# so a broken .rc is caught without a Windows machine.
#
# usage: windres-check.sh <source dir> <scratch dir>
# Exit 77 (CTest's skip) when the cross windres is not installed.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 <source dir> <scratch dir>" >&2
    exit 2
fi
src=$(cd "$1" && pwd)
scratch=$2

windres=${WINDRES:-x86_64-w64-mingw32-windres}
if ! command -v "$windres" >/dev/null 2>&1; then
    echo "SKIP: $windres is not installed (Debian package binutils-mingw-w64-x86-64)"
    exit 77
fi
objdump=${windres%windres}objdump

# windres preprocesses with the MinGW gcc. The binutils package alone has
# no gcc, so fall back to the host's cpp; -undef keeps host macros such as
# `linux` from rewriting the script. The .rc needs no Windows headers, so
# the result is the same.
preprocess=()
if ! command -v "${windres%windres}gcc" >/dev/null 2>&1; then
    if ! command -v cpp >/dev/null 2>&1; then
        echo "SKIP: neither ${windres%windres}gcc nor cpp is installed to preprocess the .rc"
        exit 77
    fi
    preprocess=(--preprocessor=cpp --preprocessor-arg=-xc --preprocessor-arg=-undef
                            --preprocessor-arg=-DRC_INVOKED)
fi

mkdir -p "$scratch"
scratch=$(cd "$scratch" && pwd)
# Only this script's own files are cleared, so a scratch folder given by
# mistake loses nothing else; left over from a run before, they could hide
# a step that no longer writes them.
rm -f "$scratch/UiQuorvix.rc" "$scratch/UiQuorvix.rc.o" "$scratch/UiQuorvix.res" \
            "$scratch/decompiled.rc" "$scratch/decompiled.normalised"

cmake -DUIQ_SOURCE_DIR="$src" -DUIQ_RC_OUTPUT="$scratch/UiQuorvix.rc" \
            -P "$src/cmake/WindowsResources.cmake"

# The object file is what a MinGW link takes; the .res is read back below.
"$windres" "${preprocess[@]}" -i "$scratch/UiQuorvix.rc" -O coff -o "$scratch/UiQuorvix.rc.o"
"$windres" "${preprocess[@]}" -i "$scratch/UiQuorvix.rc" -O res -o "$scratch/UiQuorvix.res"
"$windres" -i "$scratch/UiQuorvix.res" -o "$scratch/decompiled.rc"

failures=0
passed=0
check() { # description, command...
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        echo "FAIL: $what" >&2
        failures=$((failures + 1))
    fi
}
# windres writes the decompiled script with its own indentation; compare
# with leading blanks removed and runs of blanks squeezed.
normalised=$scratch/decompiled.normalised
sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]\+/ /g' "$scratch/decompiled.rc" > "$normalised"
has_line() { grep -qxF -- "$1" "$normalised"; }

if command -v "$objdump" >/dev/null 2>&1; then
    has_rsrc() { "$objdump" -h "$scratch/UiQuorvix.rc.o" | grep -qw .rsrc; }
    check "object file has a .rsrc section" has_rsrc
fi

check "FILEVERSION 1,0,0,0" has_line "FILEVERSION 1, 0, 0, 0"
check "PRODUCTVERSION 1,0,0,0" has_line "PRODUCTVERSION 1, 0, 0, 0"
check "FileVersion 1.00" has_line 'VALUE "FileVersion", "1.00"'
check "ProductVersion 1.00" has_line 'VALUE "ProductVersion", "1.00"'
check "FileDescription" has_line 'VALUE "FileDescription", "UiView Quorvix thermometer"'
check "ProductName" has_line 'VALUE "ProductName", "UiQuorvix"'
check "InternalName" has_line 'VALUE "InternalName", "UiQuorvix"'
# Properties > Details names the licence's holder as the licence itself does.
copyright=$(grep -m1 '^Copyright ' "$src/LICENSE" || true)
check "LegalCopyright is LICENSE's '${copyright:-Copyright line, which is missing}'" \
    has_line "VALUE \"LegalCopyright\", \"$copyright\""
check "OriginalFilename" has_line 'VALUE "OriginalFilename", "UiQuorvix.exe"'
check "a US English / Unicode string table" has_line 'BLOCK "040904b0"'
check "the Translation entry matches the string table" has_line 'VALUE "Translation", 0x409, 1200'
check "icon group IDI_ICON1" grep -qF '"IDI_ICON1" 14 /* RT_GROUP_ICON */' "$normalised"
check "icon group holds two images" grep -qF '/* Has 2 elements. */' "$normalised"
# A group entry starts with "width height colours pad" as octal escapes.
check "a 16x16 icon image" grep -qF '"\020\020' "$normalised"
check "a 32x32 icon image" grep -qF '"\040\040' "$normalised"

echo "windres-check: $passed passed, $failures failed"
[ "$failures" -eq 0 ]
