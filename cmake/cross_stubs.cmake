# Installer stubs for other architectures: for each one in INSTALLER_CROSS_STUBS a build of this project
# with Debian's cross compiler for it, of the stub alone against that architecture's musl, whose stub is
# copied beside the native one (bin/installer-aarch64, bin/installer-x86-64). mkinstaller build --arch
# picks it up there.
include(ExternalProject)

# The agreement's paragraphs file as this build has it, relative to this build's directory.
cmake_path(ABSOLUTE_PATH INSTALLER_LICENSE_FILE BASE_DIRECTORY ${CMAKE_BINARY_DIR} NORMALIZE
           OUTPUT_VARIABLE license_file)

foreach(arch IN LISTS INSTALLER_CROSS_STUBS)
    # The stub's name says the architecture as mkinstaller's --arch does.
    if(arch STREQUAL "aarch64")
        set(stub_name installer-aarch64)
    elseif(arch STREQUAL "x86_64")
        set(stub_name installer-x86-64)
    else()
        message(FATAL_ERROR "INSTALLER_CROSS_STUBS: no cross stub for ${arch} (known: aarch64, x86_64)")
    endif()
    find_program(INSTALLER_CROSS_CXX_${arch} ${arch}-linux-gnu-g++)
    if(NOT INSTALLER_CROSS_CXX_${arch})
        message(FATAL_ERROR "the ${arch} stub needs ${arch}-linux-gnu-g++: install Debian's g++-${arch}-linux-gnu "
                            "and musl-dev for it (the README's set-up does), or configure with "
                            "-DINSTALLER_CROSS_STUBS=")
    endif()
    # The ExternalProject's target is also the name the install rules look for.
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
        INSTALL_COMMAND ${CMAKE_COMMAND} -E copy_if_different <BINARY_DIR>/bin/installer ${CMAKE_BINARY_DIR}/bin/${stub_name}
        # The sources are this project's own: the inner build decides what is out of date.
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/bin/${stub_name}
        USES_TERMINAL_BUILD ON)
endforeach()
