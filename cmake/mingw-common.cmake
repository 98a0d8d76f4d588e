# Shared by the two MinGW-w64 toolchain files. The -win32 compiler variants
# keep the threading support inside libstdc++ on plain Windows calls instead of
# the winpthreads library, about 30 KB the library never uses (it starts no
# threads); -static keeps libstdc++ and libgcc inside each binary so
# Install.dll imports only system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${INSTALL_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${INSTALL_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${INSTALL_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${INSTALL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# --no-insert-timestamp: two builds of one commit give the same bytes.
set(INSTALL_STATIC_RUNTIME "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${INSTALL_STATIC_RUNTIME}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${INSTALL_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${INSTALL_STATIC_RUNTIME}")
set(INSTALL_OBJDUMP ${INSTALL_MINGW_TRIPLE}-objdump)
set(INSTALL_OBJCOPY ${INSTALL_MINGW_TRIPLE}-objcopy)
