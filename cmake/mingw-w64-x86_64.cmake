# Cross-build for 64-bit Windows with Debian's mingw-w64 (preset windows-cross).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(KEYWRIGHT_MINGW_PREFIX x86_64-w64-mingw32)

# The posix thread model: the win32 one has no std::thread or std::jthread in
# GCC 12, whatever update-alternatives picks as the default.
set(CMAKE_C_COMPILER ${KEYWRIGHT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KEYWRIGHT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KEYWRIGHT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KEYWRIGHT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static executables: a missing runtime DLL makes an .exe exit 53 under wine
# without a word, which a test run would read as a failure nobody can explain.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CTest and test discovery run the .exe files through wine when it is there.
find_program(KEYWRIGHT_WINE NAMES wine)
if(KEYWRIGHT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KEYWRIGHT_WINE})
endif()
