# What the build needs beyond a machine with g++, CMake, Ninja and GoogleTest, installed where missing
# (cmake/install_packages.sh): musl for the stub, and for each cross stub its compiler and its musl.
# Only where dpkg is; elsewhere the checks in cmake/stub_libc.cmake and cmake/cross_stubs.cmake name
# what is missing.
find_program(INSTALLER_DPKG dpkg)
if(INSTALLER_DPKG)
    set(packages)
    if(INSTALLER_STUB_LIBC STREQUAL "musl")
        list(APPEND packages musl-dev)
    endif()
    foreach(arch IN LISTS INSTALLER_CROSS_STUBS)
        if(arch STREQUAL "aarch64")
            list(APPEND packages g++-aarch64-linux-gnu musl-dev:arm64)
        elseif(arch STREQUAL "x86_64")
            list(APPEND packages g++-x86-64-linux-gnu musl-dev:amd64)
        endif()
    endforeach()
    if(packages)
        execute_process(COMMAND ${PROJECT_SOURCE_DIR}/cmake/install_packages.sh ${packages}
                        RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "the build needs the Debian packages ${packages}; without them configure with "
                                "-DINSTALLER_STUB_LIBC=glibc -DINSTALLER_CROSS_STUBS= (a glibc stub, no aarch64 stub)")
        endif()
    endif()
endif()
