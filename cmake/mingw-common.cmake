# Shared by the two MinGW-w64 toolchain files. The -posix compiler variants
# give std::thread, which GoogleTest needs; -static keeps libstdc++, libgcc
# and winpthread inside each binary so Install.dll imports only system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${INSTALL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${INSTALL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${INSTALL_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${INSTALL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(INSTALL_STATIC_RUNTIME "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${INSTALL_STATIC_RUNTIME}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${INSTALL_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${INSTALL_STATIC_RUNTIME}")
set(INSTALL_OBJDUMP ${INSTALL_MINGW_TRIPLE}-objdump)
# The tests run under the Wine loader of the build's bitness. Without it
# they are still listed, as disabled, so a test run names what it skipped.
if(EXISTS ${INSTALL_WINE_LOADER})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${INSTALL_WINE_LOADER})
endif()
