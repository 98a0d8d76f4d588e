set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(INSTALL_MINGW_TRIPLE x86_64-w64-mingw32)
set(INSTALL_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
