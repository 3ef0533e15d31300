# Sourced by the scripts: choose_build picks the build this machine can run
# and sets, for the caller:
#   build_arch      i686 or x86_64
#   build_dir       build (32-bit) or build64 (64-bit), under the project root
#   build_toolchain the CMake toolchain file for build_arch
#   build_reason    one line saying which build runs and why
# QUILLMERE_BUILD64=1 forces the 64-bit build on a machine that runs both.

# Tries to run a 93-byte 32-bit x86 Linux program that exits with 42. Some
# kernels boot with 32-bit emulation off ("Exec format error"), and nothing
# inside the machine turns it back on, so only trying tells.
can_run_32bit() {
    probe=$(mktemp) || return 1
    # ELF header, one program header, then:
    # xor eax,eax; inc eax; xor ebx,ebx; mov bl,42; int 0x80 (exit(42))
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$probe"
    printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$probe"
    printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >>"$probe"
    printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$probe"
    printf '\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000' >>"$probe"
    printf '\061\300\100\061\333\263\052\315\200' >>"$probe"
    chmod +x "$probe"
    probe_status=0
    "$probe" 2>/dev/null || probe_status=$?
    rm -f "$probe"
    [ "$probe_status" -eq 42 ]
}

choose_build() {
    root=${1:-.}
    if [ "${QUILLMERE_BUILD64:-0}" = 1 ]; then
        build_arch=x86_64
        build_reason="64-bit build (QUILLMERE_BUILD64=1 asks for it)"
    elif can_run_32bit; then
        build_arch=i686
        build_reason="32-bit build (this machine runs 32-bit x86 code)"
    else
        build_arch=x86_64
        build_reason="64-bit build (this machine cannot run 32-bit x86 code)"
    fi
    if [ "$build_arch" = i686 ]; then
        build_dir=$root/build
        build_toolchain=$root/cmake/toolchain-i686-mingw.cmake
    else
        build_dir=$root/build64
        build_toolchain=$root/cmake/toolchain-x86_64-mingw.cmake
    fi
}
