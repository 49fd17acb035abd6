# The installer stub against musl: every installer starts with a copy of the stub, and a static program
# against glibc carries some 800 KB of the C library's start-up, stdio, malloc and threads, most of which
# the stub never uses. musl links only what is called, and Debian's musl-dev has it for both
# architectures. The C++ library stays the compiler's own (its headers, compiled against musl's); the
# stub is compiled without exceptions and RTTI, so that nothing of the C++ run-time library is linked but
# a few allocation-free container routines (installer_cxx_runtime below) and driver/cxx_runtime.cc.
#
# installer_use_musl(TARGET) compiles and links TARGET so; the compiler may be a cross compiler, whose
# target triple names the musl to use: x86_64-linux-gnu-g++ takes /usr/lib/x86_64-linux-musl,
# aarch64-linux-gnu-g++ /usr/lib/aarch64-linux-musl.

function(installer_compiler_file out name)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${name}")
    endif()
    set(${out} ${path} PARENT_SCOPE)
endfunction()

function(installer_use_musl target)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpmachine OUTPUT_VARIABLE triple
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    string(REGEX MATCH "^[^-]+" cpu "${triple}")
    set(musl_include /usr/include/${cpu}-linux-musl)
    set(musl_lib /usr/lib/${cpu}-linux-musl)
    if(NOT EXISTS ${musl_lib}/libc.a OR NOT EXISTS ${musl_include}/stdio.h)
        message(FATAL_ERROR "musl for ${cpu} is missing (${musl_lib}/libc.a): install Debian's musl-dev "
                            "for it (the README's set-up does), or configure with -DINSTALLER_STUB_LIBC=glibc")
    endif()

    # The C++ library's header directories, as the compiler itself searches them, and the compiler's own
    # headers (stddef.h, the intrinsics); the C headers are musl's alone.
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -xc++ -E -v /dev/null OUTPUT_QUIET ERROR_VARIABLE search)
    string(REGEX MATCH "#include <...> search starts here:\n(.*)End of search list" search "${search}")
    string(REPLACE "\n" ";" search "${CMAKE_MATCH_1}")
    set(include_options -nostdinc "SHELL:-isystem ${PROJECT_SOURCE_DIR}/cmake/musl")
    foreach(dir IN LISTS search)
        string(STRIP "${dir}" dir)
        if(dir MATCHES "/c\\+\\+/")
            list(APPEND include_options "SHELL:-isystem ${dir}")
        endif()
    endforeach()
    installer_compiler_file(compiler_include include)
    list(APPEND include_options "SHELL:-isystem ${compiler_include}" "SHELL:-isystem ${musl_include}"
         # The C++ library's glibc configuration asks glibc's version and names glibc's locale type.
         "-D__GLIBC_PREREQ(major,minor)=1" -D__locale_t=locale_t)
    target_compile_options(${target} PRIVATE ${include_options} -fno-exceptions -fno-rtti
                           -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-pie)

    # The tree, list and hash-table routines of the C++ library: plain code that neither allocates nor
    # calls the C library, taken from the compiler's libstdc++.a. Anything else the stub might come to
    # need from that library stays out, and the link names it.
    installer_compiler_file(libstdcxx libstdc++.a)
    set(runtime_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_cxx_runtime)
    set(members tree.o list.o hashtable_c++0x.o hash_bytes.o)
    file(MAKE_DIRECTORY ${runtime_dir})
    execute_process(COMMAND ${CMAKE_AR} x ${libstdcxx} ${members} WORKING_DIRECTORY ${runtime_dir}
                    RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "cannot take ${members} from ${libstdcxx}")
    endif()
    list(TRANSFORM members PREPEND ${runtime_dir}/)
    set(runtime_archive ${runtime_dir}/libinstaller_cxx_runtime.a)
    file(REMOVE ${runtime_archive})
    execute_process(COMMAND ${CMAKE_AR} rcs ${runtime_archive} ${members} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "cannot write ${runtime_archive}")
    endif()

    installer_compiler_file(crt_begin crtbeginT.o)
    installer_compiler_file(crt_end crtend.o)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-libgcc-file-name OUTPUT_VARIABLE libgcc
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    # Start files before the objects, end files after every library: .init and .fini are pieced together
    # in link order.
    target_link_options(${target} PRIVATE -static -no-pie -nostdlib -Wl,-z,noseparate-code
                        ${musl_lib}/crt1.o ${musl_lib}/crti.o ${crt_begin})
    target_link_libraries(${target} PRIVATE -Wl,--start-group ${runtime_archive} ${musl_lib}/libc.a ${libgcc}
                          -Wl,--end-group ${crt_end} ${musl_lib}/crtn.o)
endfunction()

# Every source of the given libraries, as absolute paths: the musl stub compiles them again, with its own
# options, while the libraries themselves serve the tests on the build machine's C library.
function(installer_sources_of out)
    set(sources "")
    foreach(library IN LISTS ARGN)
        get_target_property(library_sources ${library} SOURCES)
        get_target_property(library_dir ${library} SOURCE_DIR)
        foreach(source IN LISTS library_sources)
            cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${library_dir})
            list(APPEND sources ${source})
        endforeach()
    endforeach()
    set(${out} ${sources} PARENT_SCOPE)
endfunction()
