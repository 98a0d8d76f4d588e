# What a C or C++ host builds against on Linux: a pkg-config file and a CMake
# package (find_package(Install) gives Install::install), both relocatable,
# and a Debian package holding them with the library, its header and
# installctl.
include(CMakePackageConfigHelpers)

target_include_directories(install_library INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
set_target_properties(install_library PROPERTIES EXPORT_NAME install)
set(install_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Install)
install(EXPORT InstallTargets NAMESPACE Install:: DESTINATION ${install_cmake_dir}
        COMPONENT development)
configure_package_config_file(cmake/InstallConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/generated/InstallConfig.cmake
                              INSTALL_DESTINATION ${install_cmake_dir})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/generated/InstallConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/generated/InstallConfig.cmake
              ${CMAKE_BINARY_DIR}/generated/InstallConfigVersion.cmake
        DESTINATION ${install_cmake_dir} COMPONENT development)

# The .pc file finds the prefix from its own folder, so it is right wherever
# the tree is installed or unpacked.
file(RELATIVE_PATH INSTALL_PC_PREFIX_FROM_PCFILEDIR /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" INSTALL_PC_PREFIX_FROM_PCFILEDIR "${INSTALL_PC_PREFIX_FROM_PCFILEDIR}")
configure_file(cmake/install.pc.in ${CMAKE_BINARY_DIR}/generated/install.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/generated/install.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME libinstall)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Halvemark)
set(CPACK_PACKAGE_CONTACT "Halvemark")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Install library: user information prompt, commands, directory size and host configuration edits")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
