#!/usr/bin/env bash
# UiQuorvix.exe is one file to hand out: it may import only DLLs that every Windows has.
# Reads the import table and fails on any other DLL (a forgotten libstdc++, libgcc or
# winpthread DLL would make the program fail to start on a machine without MinGW).
#
# usage: imports-check.sh <UiQuorvix.exe>
# Exit 77 (CTest's skip) when the program or the MinGW objdump is missing.
set -euo pipefail

exe=$1
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
if ! command -v "$objdump" >/dev/null 2>&1; then
    echo "SKIP: $objdump is not installed (Debian package binutils-mingw-w64-x86-64)"
    exit 77
fi
if [ ! -f "$exe" ]; then
    echo "SKIP: $exe is not built (cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake)"
    exit 77
fi

mapfile -t dlls < <("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p')
if [ ${#dlls[@]} -eq 0 ]; then
    echo "FAIL: no import table found in $exe"
    exit 1
fi
status=0
for dll in "${dlls[@]}"; do
    case "${dll,,}" in
        kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | comctl32.dll | msvcrt.dll | api-ms-win-crt-*.dll)
            echo "ok    $dll" ;;
        *)
            echo "FAIL  $dll is not part of every Windows"
            status=1 ;;
    esac
done
exit $status
