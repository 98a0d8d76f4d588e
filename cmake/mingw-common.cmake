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
