#!/bin/bash
# The exe carries its C++ runtime: it imports only DLLs every Windows has.
#
#   imports_test.sh <objdump> <exe>
set -u
objdump=$1 exe=$2
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]')
[[ -n $dlls ]] || { echo "FAIL: no import table read from $exe" >&2; exit 1; }
system='kernel32 user32 gdi32 comctl32 comdlg32 winmm shell32 shlwapi advapi32 ole32 oleaut32 oleacc msvcrt version'
bad=0
for dll in $dlls; do
    [[ " $system " == *" ${dll%.dll} "* ]] || { echo "FAIL: imports $dll" >&2; bad=1; }
done
((bad == 0)) && echo "PASS: imports" "$dlls"
exit "$bad"
