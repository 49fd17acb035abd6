# mkinstaller_add_installer: a target that builds an installer from a directory with the installed
# mkinstaller, rebuilt when a file or directory beneath it, the licence, the profile and its text files,
# the old installer of an update or an option changes.
#
#   mkinstaller_add_installer(<target> SOURCE_DIR <dir> OUTPUT <file>
#       [PRODUCT <name>] [VERSION <text>] [PLATFORM <text>] [LICENSE <file>]
#       [BUILD_TIME <seconds>] [LEVEL <1..9>] [EXCLUDE <pattern>...] [DELETE <path>...]
#       [TITLE <text>] [THANKS <text>] [CLOSING_TEXT <file>] [DEFAULT_DIR <path>]
#       [RECOMMEND <root>...] [EXISTING_DIR_TEXT <file>] [SAME_NAME_REMOVAL anywhere|path]
#       [EXIT_STATUS always-zero|conventional] [PROFILE <file>]
#       [UPDATE_FROM <old installer file or target> [FULL_UPDATE]]
#       [UNIFORM_MODE | KEEP_SETID] [STORE] [STRICT] [ALL] [DEPENDS <file-or-target>...]
#       [OPTIONS <argument>...])
#
# A relative SOURCE_DIR or file (LICENSE, CLOSING_TEXT, EXISTING_DIR_TEXT, PROFILE, UPDATE_FROM) is taken
# from the current source directory, a relative OUTPUT from the current binary directory. UPDATE_FROM
# may also name a target this function added before: its OUTPUT is the old installer, built first.
# DEPENDS names what produces SOURCE_DIR when the build makes it (a staging step); OPTIONS passes
# further build options as they are. Without BUILD_TIME, the SOURCE_DATE_EPOCH of the build's
# environment applies as it does on the command line. FILE_MODES, each file's own permission bits, is
# the default now and still accepted.

# The files beneath the source directory are known only when the build runs (a staging step may make
# them), so the build script lists them in a depfile; directories are listed too, so that a file added
# or removed also counts. Absolute depfile paths are read the same way under either setting.
cmake_policy(SET CMP0116 NEW)
function(mkinstaller_add_installer target)
    include("${CMAKE_CURRENT_FUNCTION_LIST_DIR}/mkinstallerOptions.cmake")  # from the option table
    cmake_parse_arguments(PARSE_ARGV 1 ARG "${MKINSTALLER_SWITCH_KEYWORDS};ALL"
                          "SOURCE_DIR;OUTPUT;${MKINSTALLER_VALUE_KEYWORDS};${MKINSTALLER_PATH_KEYWORDS}"
                          "${MKINSTALLER_LIST_KEYWORDS};DEPENDS;OPTIONS")
    if(ARG_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "mkinstaller_add_installer: unknown arguments: ${ARG_UNPARSED_ARGUMENTS}")
    endif()
    # A keyword with no value would be dropped silently, as would a licence file named LICENSE given
    # bare: its name is read as the keyword again.
    if(ARG_KEYWORDS_MISSING_VALUES)
        message(FATAL_ERROR "mkinstaller_add_installer: no value for ${ARG_KEYWORDS_MISSING_VALUES} "
                            "(a file named like a keyword needs a path, e.g. \${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)")
    endif()
    if(NOT ARG_SOURCE_DIR OR NOT ARG_OUTPUT)
        message(FATAL_ERROR "mkinstaller_add_installer: SOURCE_DIR and OUTPUT are required")
    endif()
    if(NOT TARGET mkinstaller::mkinstaller)
        message(FATAL_ERROR "mkinstaller_add_installer: mkinstaller::mkinstaller is not visible here; "
                            "call find_package(mkinstaller) in this directory or a parent")
    endif()
    cmake_path(ABSOLUTE_PATH ARG_SOURCE_DIR BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
    cmake_path(ABSOLUTE_PATH ARG_OUTPUT BASE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}" NORMALIZE)
    # An update from another installer target: the file it writes, and the target built first. Like
    # every PATH keyword's file, the old installer is a dependency: replacing it rebuilds the update.
    if(DEFINED ARG_UPDATE_FROM AND TARGET "${ARG_UPDATE_FROM}")
        get_target_property(old_installer "${ARG_UPDATE_FROM}" MKINSTALLER_OUTPUT)
        if(NOT old_installer)
            message(FATAL_ERROR "mkinstaller_add_installer: UPDATE_FROM ${ARG_UPDATE_FROM} is a target "
                                "that mkinstaller_add_installer did not add")
        endif()
        list(APPEND ARG_DEPENDS "${ARG_UPDATE_FROM}")
        set(ARG_UPDATE_FROM "${old_installer}")
    endif()

    # The options the keywords stand for, kind by kind in mkinstallerOptions.cmake's order, then OPTIONS.
    set(options)
    set(inputs)
    foreach(keyword option IN ZIP_LISTS MKINSTALLER_VALUE_KEYWORDS MKINSTALLER_VALUE_OPTIONS)
        if(DEFINED ARG_${keyword})
            list(APPEND options ${option} "${ARG_${keyword}}")
        endif()
    endforeach()
    foreach(keyword option IN ZIP_LISTS MKINSTALLER_PATH_KEYWORDS MKINSTALLER_PATH_OPTIONS)
        if(DEFINED ARG_${keyword})
            cmake_path(ABSOLUTE_PATH ARG_${keyword} BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
            list(APPEND options ${option} "${ARG_${keyword}}")
            list(APPEND inputs "${ARG_${keyword}}")
        endif()
    endforeach()
    foreach(keyword option IN ZIP_LISTS MKINSTALLER_LIST_KEYWORDS MKINSTALLER_LIST_OPTIONS)
        foreach(value IN LISTS ARG_${keyword})
            list(APPEND options ${option} "${value}")
        endforeach()
    endforeach()
    foreach(keyword option IN ZIP_LISTS MKINSTALLER_SWITCH_KEYWORDS MKINSTALLER_SWITCH_OPTIONS)
        if(ARG_${keyword})
            list(APPEND options ${option})
        endif()
    endforeach()
    list(APPEND options ${ARG_OPTIONS})

    # The settings go to the build script through a file, which changes (and so rebuilds the installer)
    # only when they do; a list on the command line would not survive its semicolons.
    set(settings "${CMAKE_CURRENT_BINARY_DIR}/${target}.mkinstaller.cmake")
    set(content "set(MKINSTALLER_SOURCE_DIR [==[${ARG_SOURCE_DIR}]==])\n")
    string(APPEND content "set(MKINSTALLER_OUTPUT [==[${ARG_OUTPUT}]==])\n")
    string(APPEND content "set(MKINSTALLER_OPTIONS)\n")
    foreach(option IN LISTS options)
        string(APPEND content "list(APPEND MKINSTALLER_OPTIONS [==[${option}]==])\n")
    endforeach()
    file(GENERATE OUTPUT "${settings}" CONTENT "${content}")

    set(depfile "${CMAKE_CURRENT_BINARY_DIR}/${target}.mkinstaller.d")
    add_custom_command(OUTPUT "${ARG_OUTPUT}"
        COMMAND "${CMAKE_COMMAND}" "-DMKINSTALLER=$<TARGET_FILE:mkinstaller::mkinstaller>"
                "-DSETTINGS=${settings}" "-DDEPFILE=${depfile}"
                -P "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/mkinstallerBuild.cmake"
        DEPENDS mkinstaller::mkinstaller "${settings}" ${inputs} ${ARG_DEPENDS}
        DEPFILE "${depfile}"
        COMMENT "Building the installer ${ARG_OUTPUT}"
        VERBATIM)
    set(all)
    if(ARG_ALL)
        set(all ALL)
    endif()
    add_custom_target(${target} ${all} DEPENDS "${ARG_OUTPUT}")
    set_target_properties(${target} PROPERTIES MKINSTALLER_OUTPUT "${ARG_OUTPUT}")
endfunction()
