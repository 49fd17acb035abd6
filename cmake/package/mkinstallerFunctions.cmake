# mkinstaller_add_installer: a target that builds an installer from a directory with the installed
# mkinstaller, rebuilt when a file or directory beneath it, the licence, the profile and its text files,
# the old installer of an update or an option changes.
#
#   mkinstaller_add_installer(<target> SOURCE_DIR <dir> OUTPUT <file>
#       [PRODUCT <name>] [VERSION <text>] [PLATFORM <text>] [LICENSE <file>]
#       [BUILD_TIME <seconds>] [LEVEL <1..9>] [EXCLUDE <pattern>...] [DELETE <path>...]
#       [TITLE <text>] [THANKS <text>] [CLOSING_TEXT <file>] [DEFAULT_DIR <path>]
#       [RECOMMEND <root>...] [EXISTING_DIR_TEXT <file>] [SAME_NAME_REMOVAL anywhere|path]
#       [EXIT_STATUS always-zero|conventional] [CHECK_FIRST off|on]
#       [INSTALLER_OPTIONS none|gnu] [USER_DEFAULT_DIR <path>] [PROFILE <file>] [ARCH x86-64|aarch64]
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
#
# Every value reaches mkinstaller as written, one argument each: a ';' or a bracket in a one-value
# keyword's value is part of it, and no generator expression in a value is evaluated (only DEPENDS,
# which add_custom_command takes as it is, evaluates them). In a list keyword (EXCLUDE, DELETE,
# RECOMMEND, OPTIONS) a ';' separates items, as in every CMake list. Refused at configure time, naming
# the keyword: an item of a list keyword with an unmatched '[' or ']' (no CMake list carries one); the
# paths that the generator in use cannot name in a build rule: '|' or ';' in OUTPUT or a file keyword,
# also '#', '<' or '>' in OUTPUT, under a Makefile generator ':' (and a quote in OUTPUT), under Ninja a
# '$' in OUTPUT; a ';' or a pattern character in SOURCE_DIR; and an OUTPUT in SOURCE_DIR, which every
# build would pack again.

# The files beneath the source directory are known only when the build runs (a staging step may make
# them), so the build script lists them in a depfile; directories are listed too, so that a file added
# or removed also counts. Absolute depfile paths are read the same way under either setting.
cmake_policy(SET CMP0116 NEW)

# `value` as one bracket argument, with as many '=' as keep its closing bracket out of the value.
function(_mkinstaller_bracket value out)
    set(level "")
    string(FIND "${value}]" "]${level}]" at)
    while(NOT at EQUAL -1)
        string(APPEND level "=")
        string(FIND "${value}]" "]${level}]" at)
    endwhile()
    set(${out} "[${level}[${value}]${level}]" PARENT_SCOPE)
endfunction()

# Appends each of its arguments to the caller's `arguments`, a string of bracket arguments.
function(_mkinstaller_add_arguments)
    math(EXPR last "${ARGC} - 1")
    foreach(index RANGE 0 ${last})
        _mkinstaller_bracket("${ARGV${index}}" quoted)
        string(APPEND arguments " ${quoted}")
    endforeach()
    set(arguments "${arguments}" PARENT_SCOPE)
endfunction()

# The items of the list keyword `keyword` (the caller's ARG_<keyword>); an item whose brackets do not
# pair is refused, since a list would merge it with its neighbours.
function(_mkinstaller_list_items keyword out)
    set(items)
    foreach(argument IN LISTS ARG_${keyword})
        foreach(item IN LISTS argument)
            string(REGEX MATCHALL "\\[" opening "${item}")
            string(REGEX MATCHALL "]" closing "${item}")
            list(LENGTH opening opening)
            list(LENGTH closing closing)
            if(NOT opening EQUAL closing)
                message(FATAL_ERROR "mkinstaller_add_installer: ${keyword} item \"${item}\" has an unmatched "
                                    "'[' or ']', which a CMake list cannot carry")
            endif()
            list(APPEND items "${item}")
        endforeach()
    endforeach()
    set(${out} "${items}" PARENT_SCOPE)
endfunction()

# Refuses the value of the caller's ARG_<keyword> when it matches `pattern`, naming the keyword.
function(_mkinstaller_refuse keyword pattern)
    if(DEFINED ARG_${keyword} AND "${ARG_${keyword}}" MATCHES "${pattern}")
        message(FATAL_ERROR "mkinstaller_add_installer: ${keyword} holds a '${CMAKE_MATCH_0}', which "
                            "${CMAKE_GENERATOR} cannot name in a build rule: ${ARG_${keyword}}")
    endif()
endfunction()

# Refuses, naming the keyword, a path of the caller's ARG_ variables that the generator in use cannot
# name in a build rule, and an OUTPUT in the source tree.
function(_mkinstaller_refuse_paths path_keywords)
    set(make_only ";")
    if(CMAKE_GENERATOR MATCHES "Make")
        set(make_only ":")
    endif()
    _mkinstaller_refuse(SOURCE_DIR "[;*?]|\\[|]")
    _mkinstaller_refuse(OUTPUT "[;|#<>]|${make_only}")
    if(CMAKE_GENERATOR MATCHES "Make")
        _mkinstaller_refuse(OUTPUT "['\"]")
    endif()
    # Ninja reads a '$' in the depfile as its own escape: the rule would name another file and rerun.
    if(CMAKE_GENERATOR MATCHES "Ninja")
        _mkinstaller_refuse(OUTPUT "[$]")
    endif()
    foreach(keyword IN LISTS path_keywords)
        _mkinstaller_refuse(${keyword} "[;|]|${make_only}")
    endforeach()
    file(REAL_PATH "${ARG_SOURCE_DIR}" source)
    cmake_path(GET ARG_OUTPUT PARENT_PATH output_dir)
    file(REAL_PATH "${output_dir}" output_dir)
    cmake_path(IS_PREFIX source "${output_dir}" NORMALIZE inside)
    if(inside)
        message(FATAL_ERROR "mkinstaller_add_installer: OUTPUT ${ARG_OUTPUT} lies in SOURCE_DIR "
                            "${ARG_SOURCE_DIR}: every build would pack the installers before it")
    endif()
endfunction()

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
    foreach(keyword IN LISTS MKINSTALLER_PATH_KEYWORDS)
        if(DEFINED ARG_${keyword})
            cmake_path(ABSOLUTE_PATH ARG_${keyword} BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
        endif()
    endforeach()
    _mkinstaller_refuse_paths("${MKINSTALLER_PATH_KEYWORDS}")

    # The arguments the keywords stand for, kind by kind in mkinstallerOptions.cmake's order, then
    # OPTIONS: bracket arguments in one string, which no list operation splits.
    set(arguments)
    set(inputs)
    foreach(keyword option IN ZIP_LISTS MKINSTALLER_VALUE_KEYWORDS MKINSTALLER_VALUE_OPTIONS)
        if(DEFINED ARG_${keyword})
            _mkinstaller_add_arguments(${option} "${ARG_${keyword}}")
        endif()
    endforeach()
    foreach(keyword option IN ZIP_LISTS MKINSTALLER_PATH_KEYWORDS MKINSTALLER_PATH_OPTIONS)
        if(DEFINED ARG_${keyword})
            _mkinstaller_add_arguments(${option} "${ARG_${keyword}}")
            list(APPEND inputs "${ARG_${keyword}}")
        endif()
    endforeach()
    foreach(keyword option IN ZIP_LISTS MKINSTALLER_LIST_KEYWORDS MKINSTALLER_LIST_OPTIONS)
        _mkinstaller_list_items(${keyword} items)
        foreach(item IN LISTS items)
            _mkinstaller_add_arguments(${option} "${item}")
        endforeach()
    endforeach()
    foreach(keyword option IN ZIP_LISTS MKINSTALLER_SWITCH_KEYWORDS MKINSTALLER_SWITCH_OPTIONS)
        if(ARG_${keyword})
            _mkinstaller_add_arguments(${option})
        endif()
    endforeach()
    # The profile whose text files the depfile lists: the last one given, as mkinstaller takes it.
    set(profile "${ARG_PROFILE}")
    set(take_next FALSE)
    _mkinstaller_list_items(OPTIONS items)
    foreach(item IN LISTS items)
        _mkinstaller_add_arguments("${item}")
        if(take_next)
            set(profile "${item}")
            set(take_next FALSE)
        elseif(item STREQUAL "--profile")
            set(take_next TRUE)
        elseif(item MATCHES "^--profile=(.*)$")
            set(profile "${CMAKE_MATCH_1}")
        endif()
    endforeach()

    # The settings go to the build script through a file, rewritten (and so rebuilding the installer)
    # only when they change. It is written as it stands, where file(GENERATE) would evaluate what looks
    # like a generator expression in a value. The build script makes links with plain names to the
    # files whose names the depfile cannot carry in the directory LINKS.
    set(settings "${CMAKE_CURRENT_BINARY_DIR}/${target}.mkinstaller.cmake")
    set(links "${CMAKE_CURRENT_BINARY_DIR}/${target}.mkinstaller.links")
    if(links MATCHES "[#$:;|'\"`\\]")
        message(FATAL_ERROR "mkinstaller_add_installer: the build directory ${CMAKE_CURRENT_BINARY_DIR} holds "
                            "a '${CMAKE_MATCH_0}', which the depfile of ${target} cannot carry")
    endif()
    set(content)
    set(names SOURCE_DIR OUTPUT PROFILE LINKS ARGUMENTS)
    set(variables ARG_SOURCE_DIR ARG_OUTPUT profile links arguments)
    foreach(name variable IN ZIP_LISTS names variables)
        _mkinstaller_bracket("${${variable}}" quoted)
        string(APPEND content "set(MKINSTALLER_${name} ${quoted})\n")
    endforeach()
    set(written)
    if(EXISTS "${settings}")
        file(READ "${settings}" written)
    endif()
    if(NOT written STREQUAL content)
        file(WRITE "${settings}" "${content}")
    endif()

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
