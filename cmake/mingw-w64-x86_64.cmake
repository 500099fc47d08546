# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model,
# for std::thread and std::mutex). The runtime is linked statically, so that
# the executables run under Wine without the compiler's DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows 7 is the oldest system the program supports.
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0601")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test executables run under Wine; ctest and test discovery go through it,
# quietly, with a prefix of the build folder's own, and started again when
# Wine did not start them at all.
find_program(T860_WINE NAMES wine64 wine)
if(T860_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-test.sh
        ${T860_WINE})
endif()
