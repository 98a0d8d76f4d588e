set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(INSTALL_MINGW_TRIPLE x86_64-w64-mingw32)
set(INSTALL_WINE_BITS 64)
# $INSTALL_WINE64_LOADER in the environment names another loader (to try a machine's
# answer without its kernel, for example).
if(DEFINED ENV{INSTALL_WINE64_LOADER})
  set(INSTALL_WINE_LOADER $ENV{INSTALL_WINE64_LOADER})
else()
  set(INSTALL_WINE_LOADER /usr/lib/wine/wine64)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
