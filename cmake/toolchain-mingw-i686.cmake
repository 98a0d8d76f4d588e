set(CMAKE_SYSTEM_PROCESSOR i686)
set(INSTALL_MINGW_TRIPLE i686-w64-mingw32)
# Debian's wine32; it runs 32-bit programs in the 64-bit prefixes wine64 makes.
set(INSTALL_WINE_BITS 32)
# $INSTALL_WINE32_LOADER in the environment names another loader (to try a machine's
# answer without its kernel, for example).
if(DEFINED ENV{INSTALL_WINE32_LOADER})
  set(INSTALL_WINE_LOADER $ENV{INSTALL_WINE32_LOADER})
else()
  set(INSTALL_WINE_LOADER /usr/lib/wine/wine)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
