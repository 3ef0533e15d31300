#!/bin/sh
# Usage: check_executable.sh EXE ARCH   (ARCH: i686 or x86_64)
# Checks a built program without running it: a Windows GUI program of its
# architecture (PE32 for i386, large-address-aware; PE32+ for x86-64) that
# imports only system DLLs and carries its resources, with a manifest that
# names its own architecture.
exe=$1
arch=$2
case $arch in
    i686) format=pei-i386; magic=010b; manifest_arch=x86 ;;
    x86_64) format=pei-x86-64; magic=020b; manifest_arch=amd64 ;;
    *) echo "unknown architecture: $arch"; exit 2 ;;
esac
status=0
fail() { echo "$1"; status=1; }

dump=$("$arch-w64-mingw32-objdump" -p "$exe" 2>/dev/null) || { echo "not a program for $arch"; exit 1; }
echo "$dump" | grep -q "file format $format\$" || fail "not $format"
echo "$dump" | grep -q "Magic.*$magic" || fail "not magic $magic"
echo "$dump" | grep -q 'Subsystem.*Windows GUI' || fail "not a GUI program"
# 4 GB of address space on 64-bit Windows instead of 2.
if [ "$arch" = i686 ]; then
    echo "$dump" | grep -q 'large address aware' || fail "not large-address-aware"
fi
# Terminal Server aware: a Remote Desktop server runs it without the shims
# it gives programs older than it.
characteristics=$(echo "$dump" | sed -n 's/^DllCharacteristics[[:space:]]*\([0-9a-fA-F]*\).*/\1/p')
[ $((0x${characteristics:-0} & 0x8000)) -ne 0 ] || fail "not Terminal Server aware: DllCharacteristics ${characteristics:-none}"
for dll in $(echo "$dump" | sed -n 's/.*DLL Name: //p'); do
    case $(echo "$dll" | tr 'A-Z' 'a-z') in
        kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|comctl32.dll|shell32.dll|ole32.dll|msvcrt.dll|ntdll.dll) ;;
        *) fail "imports a non-system DLL: $dll" ;;
    esac
done

resources=$("$arch-w64-mingw32-windres" -i "$exe" -O rc) || exit 1
for resource in '"MAINWINDOW" DIALOGEX' '114 DIALOG' '102 ACCELERATORS' '"FRAMEICON" 14' \
                '116 14' '117 14' '103 MENU' '1 VERSIONINFO' '1 24' '115 DIALOGEX' '104 ACCELERATORS'; do
    echo "$resources" | grep -aq "^$resource" || fail "no resource $resource"
done
# The program's own identity and the common controls it asks for.
named=$(echo "$resources" | grep -ao 'processorArchitecture=""[a-z0-9]*""' | sort | uniq -c | tr -s ' ')
[ "$named" = " 2 processorArchitecture=\"\"$manifest_arch\"\"" ] || fail "manifest architectures:$named"
# Windows 7, 8, 8.1 and 10/11 run it with their own behaviour, not Vista's.
for os in 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
          1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
    echo "$resources" | grep -aq "supportedOS Id=\"\"{$os}\"\"" || fail "manifest does not name supportedOS $os"
done
# Every template in the shell dialog face, which Windows maps to a TrueType
# font that font linking extends to every script; "MS Sans Serif" is bitmaps.
fonts=$(echo "$resources" | grep -a '^FONT ' | sort | uniq -c | tr -s ' ')
[ "$fonts" = ' 3 FONT 8, "MS Shell Dlg"' ] || fail "dialog fonts:$fonts"
# FRAMEICON's images, as its group lists them (in octal escapes, which
# printf keeps and sh's echo would turn into characters): the caption's
# small sizes at 96, 120 and 144 DPI beside the large ones.
sizes=$(printf '%s\n' "$resources" | sed -n '/^"FRAMEICON" 14/,/^END/s/^ *"\\\([0-7]\{1,3\}\).*/\1/p' |
        while read -r octal; do printf '%d\n' "0$octal"; done | sort -n | tr '\n' ' ')
[ "$sizes" = "16 20 24 32 48 " ] || fail "FRAMEICON sizes: $sizes"
[ $status -eq 0 ] && echo "$exe: $format GUI program, system imports, resources and $manifest_arch manifest present"
exit $status
