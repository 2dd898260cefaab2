# Shared part of the mingw-w64 toolchain files. The including file sets ZORMINT_MINGW_TRIPLE
# (x86_64-w64-mingw32 or i686-w64-mingw32) before including this one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

# The posix thread model compilers: std::thread and friends work, and winpthread is linked
# statically together with libstdc++ and libgcc, so the DLL needs nothing beside it.
set(CMAKE_C_COMPILER ${ZORMINT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZORMINT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZORMINT_MINGW_TRIPLE}-windres)
set(ZORMINT_WIDL ${ZORMINT_MINGW_TRIPLE}-widl)
set(ZORMINT_WINDMC ${ZORMINT_MINGW_TRIPLE}-windmc)
set(ZORMINT_OBJDUMP ${ZORMINT_MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${ZORMINT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows programs built here (the tests) run under Wine through this wrapper. The tests set a
# prefix of their own build tree; this default serves anything else (try_run, ad-hoc runs).
get_filename_component(_zormint_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_zormint_root}/tools/wine-run.sh")
