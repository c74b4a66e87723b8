set(CMAKE_C_COMPILER ${QUILLON_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLON_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLON_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUILLON_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# A clean Windows has no MinGW runtime DLLs: link both runtimes into every executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# The crash reporter walks the frame-pointer chain, so every frame keeps one. Wine's DbgHelp
# reads DWARF 4, not gcc 12's default DWARF 5: with it, a crash log written under Wine names
# functions and source lines.
set(CMAKE_C_FLAGS_INIT "-gdwarf-4 -fno-omit-frame-pointer")
set(CMAKE_CXX_FLAGS_INIT "-gdwarf-4 -fno-omit-frame-pointer")
