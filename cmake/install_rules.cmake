# Install rules: mkinstaller on the search path, the stubs beside the search path in libexec (no
# command: run bare it only says that it has no payload), the man page, the documentation, and the
# CMake package through which other projects build installers with find_package(mkinstaller) and CPack.
include(CMakePackageConfigHelpers)

set(MKINSTALLER_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/mkinstaller)

install(TARGETS mkinstaller EXPORT mkinstallerTargets RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# mkinstaller finds it at MKINSTALLER_INSTALLED_STUB relative to its own real place (src/builder).
install(TARGETS installer RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/mkinstaller)
# The stubs for other architectures beside it, as installer-<arch> (cmake/cross_stubs.cmake): build --arch
# finds them there by that name.
if(INSTALLER_CROSS_STUB_FILES)
    install(PROGRAMS ${INSTALLER_CROSS_STUB_FILES} DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/mkinstaller)
endif()
install(FILES docs/mkinstaller.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md docs/format.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/mkinstaller)

install(EXPORT mkinstallerTargets NAMESPACE mkinstaller:: DESTINATION ${MKINSTALLER_PACKAGE_DIR})
configure_package_config_file(cmake/package/mkinstallerConfig.cmake.in
    ${CMAKE_BINARY_DIR}/package/mkinstallerConfig.cmake
    INSTALL_DESTINATION ${MKINSTALLER_PACKAGE_DIR})
# Below 1.0 a minor version may change the options.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/mkinstallerConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
# CPack runs the External script in its own process, so the script finds mkinstaller from its own place.
file(RELATIVE_PATH MKINSTALLER_FROM_PACKAGE /${MKINSTALLER_PACKAGE_DIR} /${CMAKE_INSTALL_BINDIR}/mkinstaller)
configure_file(cmake/package/mkinstallerCPack.cmake.in ${CMAKE_BINARY_DIR}/package/mkinstallerCPack.cmake
    @ONLY)
# mkinstaller_add_installer's option keywords, written from mkinstaller's option table.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/package/mkinstallerOptions.cmake
    COMMAND mkinstaller_cmake_keywords ${CMAKE_BINARY_DIR}/package/mkinstallerOptions.cmake
    DEPENDS mkinstaller_cmake_keywords
    COMMENT "Writing the keywords of mkinstaller_add_installer"
    VERBATIM)
add_custom_target(mkinstaller_options_fragment ALL DEPENDS ${CMAKE_BINARY_DIR}/package/mkinstallerOptions.cmake)
install(FILES
    ${CMAKE_BINARY_DIR}/package/mkinstallerConfig.cmake
    ${CMAKE_BINARY_DIR}/package/mkinstallerConfigVersion.cmake
    ${CMAKE_BINARY_DIR}/package/mkinstallerCPack.cmake
    ${CMAKE_BINARY_DIR}/package/mkinstallerOptions.cmake
    cmake/package/mkinstallerFunctions.cmake
    cmake/package/mkinstallerBuild.cmake
    DESTINATION ${MKINSTALLER_PACKAGE_DIR})
