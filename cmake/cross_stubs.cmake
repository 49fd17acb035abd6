# Installer stubs for other architectures: for each one in INSTALLER_CROSS_STUBS a build of this project
# with Debian's cross compiler for it, of the stub alone against that architecture's musl, whose stub is
# copied beside the native one (bin/installer-aarch64, bin/installer-x86-64). mkinstaller build --arch
# picks it up there.
include(ExternalProject)

# The agreement's paragraphs file as this build has it, relative to this build's directory.
cmake_path(ABSOLUTE_PATH INSTALLER_LICENSE_FILE BASE_DIRECTORY ${CMAKE_BINARY_DIR} NORMALIZE
           OUTPUT_VARIABLE license_file)

# The stubs this build makes beside the native one, for the install rules.
set(INSTALLER_CROSS_STUB_FILES)
foreach(arch IN LISTS INSTALLER_CROSS_STUBS)
    # Per architecture: the stub's name, as mkinstaller's --arch says the architecture, and Debian's name
    # of it, in the cross compiler's package and for dpkg.
    if(arch STREQUAL "aarch64")
        set(stub_name installer-aarch64)
        set(debian_cpu aarch64)
        set(debian_arch arm64)
    elseif(arch STREQUAL "x86_64")
        set(stub_name installer-x86-64)
        set(debian_cpu x86-64)
        set(debian_arch amd64)
    else()
        message(FATAL_ERROR "INSTALLER_CROSS_STUBS: no cross stub for ${arch} (known: aarch64, x86_64)")
    endif()
    installer_require_packages(g++-${debian_cpu}-linux-gnu musl-dev:${debian_arch})
    find_program(INSTALLER_CROSS_CXX_${arch} ${arch}-linux-gnu-g++)
    if(NOT INSTALLER_CROSS_CXX_${arch})
        message(FATAL_ERROR "the ${arch} stub needs ${arch}-linux-gnu-g++: install Debian's "
                            "g++-${debian_cpu}-linux-gnu and musl-dev:${debian_arch} (the README's set-up "
                            "does), or configure with -DINSTALLER_CROSS_STUBS=")
    endif()
    set(stub_file ${CMAKE_BINARY_DIR}/bin/${stub_name})
    list(APPEND INSTALLER_CROSS_STUB_FILES ${stub_file})
    ExternalProject_Add(installer_${arch}
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${CMAKE_BINARY_DIR}/stub-${arch}
        CMAKE_ARGS -DCMAKE_SYSTEM_NAME=Linux
                   -DCMAKE_SYSTEM_PROCESSOR=${arch}
                   -DCMAKE_CXX_COMPILER=${INSTALLER_CROSS_CXX_${arch}}
                   -DCMAKE_BUILD_TYPE=Release
                   -DINSTALLER_STUB_ONLY=ON
                   -DINSTALLER_STUB_LIBC=musl
                   -DBUILD_TESTING=OFF
                   -DINSTALLER_WARNINGS_AS_ERRORS=${INSTALLER_WARNINGS_AS_ERRORS}
                   -DINSTALLER_LICENSE_FILE=${license_file}
        BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target installer
        INSTALL_COMMAND ${CMAKE_COMMAND} -E copy_if_different <BINARY_DIR>/bin/installer ${stub_file}
        # The sources are this project's own: the inner build decides what is out of date.
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS ${stub_file}
        USES_TERMINAL_BUILD ON)
endforeach()
