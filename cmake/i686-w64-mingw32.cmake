# Cross-compiles for 32-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-i686):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake
# The posix-threads variant is preferred: its libstdc++ has std::thread, and
# its runtime DLLs are shipped next to RORIRER.dll. Tests run under Wine
# when it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(_rorirer_triple i686-w64-mingw32)
find_program(_rorirer_cxx NAMES ${_rorirer_triple}-g++-posix ${_rorirer_triple}-g++ REQUIRED)
find_program(_rorirer_cc NAMES ${_rorirer_triple}-gcc-posix ${_rorirer_triple}-gcc REQUIRED)
find_program(_rorirer_rc NAMES ${_rorirer_triple}-windres REQUIRED)
set(CMAKE_CXX_COMPILER ${_rorirer_cxx})
set(CMAKE_C_COMPILER ${_rorirer_cc})
set(CMAKE_RC_COMPILER ${_rorirer_rc})

set(CMAKE_FIND_ROOT_PATH /usr/${_rorirer_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Each test program starts under Wine in a prefix of the build tree's own,
# with its debug chatter off, its output passed on through a file (see
# wine-test.sh). Start `wineserver -p` and `wineboot` for that prefix before
# ctest, or every test waits for Wine to set itself up.
find_program(RORIRER_WINE NAMES wine)
if(RORIRER_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        ${CMAKE_COMMAND} -E env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all
        WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe= DISPLAY=
        sh ${CMAKE_CURRENT_LIST_DIR}/wine-test.sh ${RORIRER_WINE})
endif()
