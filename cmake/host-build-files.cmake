# What a C or C++ host builds against on Linux: a pkg-config file and a CMake
# package (find_package(Install) gives Install::install). The Debian packages
# (debian/) ship them in libinstall-dev.
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

# The .pc file names the configured prefix, so that its flags are plain
# paths (-I/usr/include), which pkg-config recognises as the system's own;
# a tree unpacked elsewhere is read through PKG_CONFIG_SYSROOT_DIR. The CMake
# package finds its prefix from its own folder.
configure_file(cmake/install.pc.in ${CMAKE_BINARY_DIR}/generated/install.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/generated/install.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
