# What the build needs beyond a machine with g++, CMake, Ninja and GoogleTest: installer_require_packages
# installs those of the Debian packages named that are missing (cmake/install_packages.sh), musl for the
# stub here, a cross stub's compiler and musl in cmake/cross_stubs.cmake. Only where dpkg is; elsewhere
# the checks in cmake/stub_libc.cmake and cmake/cross_stubs.cmake name what is missing.
find_program(INSTALLER_DPKG dpkg)

function(installer_require_packages)
    if(NOT INSTALLER_DPKG)
        return()
    endif()
    execute_process(COMMAND ${PROJECT_SOURCE_DIR}/cmake/install_packages.sh ${ARGN} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "the build needs the Debian packages ${ARGN}; without them configure with "
                            "-DINSTALLER_STUB_LIBC=glibc -DINSTALLER_CROSS_STUBS= (a glibc stub, no cross stub)")
    endif()
endfunction()

if(INSTALLER_STUB_LIBC STREQUAL "musl")
    installer_require_packages(musl-dev)
endif()
