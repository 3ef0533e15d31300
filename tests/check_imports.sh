#!/bin/sh
# The executable is a PE32 GUI program that imports only system DLLs.
exe=$1
dump=$(i686-w64-mingw32-objdump -p "$exe") || exit 1
echo "$dump" | grep -q 'Magic.*010b' || { echo "not PE32"; exit 1; }
echo "$dump" | grep -q 'Subsystem.*Windows GUI' || { echo "not a GUI program"; exit 1; }
status=0
for dll in $(echo "$dump" | sed -n 's/.*DLL Name: //p'); do
    case $(echo "$dll" | tr 'A-Z' 'a-z') in
        kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|comctl32.dll|shell32.dll|msvcrt.dll) echo "imports $dll" ;;
        *) echo "imports a non-system DLL: $dll"; status=1 ;;
    esac
done
exit $status
