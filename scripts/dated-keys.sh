# Sourced by test scripts, after use_build_prefix. The registry functions
# cannot set a key's write time (Wine's NtSetInformationKey does nothing),
# so keys with past times go straight into the prefix's user.reg, which
# Wine reads when its server starts.

# add_dated_key PATH SECONDS: the key PATH below HKEY_CURRENT_USER, written
# as user.reg spells it (doubled backslashes), last written at SECONDS (Unix
# time, UTC). The prefix's server must be down.
add_dated_key() {
    printf '\n[%s] %s\n#time=%x\n' "$1" "$2" "$(( ($2 + 11644473600) * 10000000 ))" >>"$WINEPREFIX/user.reg"
}

# remove_test_key NAME: HKCU\Software\QuillmereTest\NAME, and the parent
# once nothing else is left in it.
remove_test_key() {
    "$wine" reg delete "HKCU\\Software\\QuillmereTest\\$1" /f /reg:64 >/dev/null 2>&1 || true
    if ! "$wine" reg query 'HKCU\Software\QuillmereTest' /reg:64 2>/dev/null | tr -d '\r' | grep -q 'QuillmereTest\\'; then
        "$wine" reg delete 'HKCU\Software\QuillmereTest' /f /reg:64 >/dev/null 2>&1 || true
    fi
}
