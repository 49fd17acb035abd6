# Run by the custom command of mkinstaller_add_installer:
#   cmake -DMKINSTALLER=<program> -DSETTINGS=<file> -DDEPFILE=<file> -P mkinstallerBuild.cmake
# builds the installer, then lists in DEPFILE every file and directory beneath the source directory,
# and the text files a --profile names.
include("${SETTINGS}")

cmake_path(GET MKINSTALLER_OUTPUT PARENT_PATH output_dir)
file(MAKE_DIRECTORY "${output_dir}")

execute_process(COMMAND "${MKINSTALLER}" build ${MKINSTALLER_OPTIONS} -- "${MKINSTALLER_SOURCE_DIR}"
                        "${MKINSTALLER_OUTPUT}"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "mkinstaller build failed (${status})")
endif()

# Make's rules: a blank, '#' and '$' in a name are escaped; mkinstaller refuses names with '\'.
function(depfile_name path out)
    string(REPLACE "$" "$$" path "${path}")
    string(REPLACE "#" "\\#" path "${path}")
    string(REPLACE " " "\\ " path "${path}")
    set(${out} "${path}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE inputs LIST_DIRECTORIES true "${MKINSTALLER_SOURCE_DIR}/*")
list(SORT inputs)

# The profile counts as mkinstaller does: the last --profile given, its FILE values relative to its own
# directory. A file that an option overrode is listed all the same when it exists: a needless rebuild at
# worst, where a missing one would rebuild every time.
set(profile)
set(take_next FALSE)
foreach(option IN LISTS MKINSTALLER_OPTIONS)
    if(take_next)
        set(profile "${option}")
        set(take_next FALSE)
    elseif(option STREQUAL "--profile")
        set(take_next TRUE)
    elseif(option MATCHES "^--profile=(.*)$")
        set(profile "${CMAKE_MATCH_1}")
    endif()
endforeach()
if(profile)
    cmake_path(GET profile PARENT_PATH profile_dir)
    file(STRINGS "${profile}" profile_lines ENCODING UTF-8)
    foreach(profile_line IN LISTS profile_lines)
        if(profile_line MATCHES "^[ \t]*(closing-text|existing-dir-text)[ \t]*=[ \t]*([^ \t].*)$")
            string(STRIP "${CMAKE_MATCH_2}" text_file)
            cmake_path(ABSOLUTE_PATH text_file BASE_DIRECTORY "${profile_dir}" NORMALIZE)
            if(EXISTS "${text_file}")
                list(APPEND inputs "${text_file}")
            endif()
        endif()
    endforeach()
endif()

depfile_name("${MKINSTALLER_OUTPUT}" line)
string(APPEND line ":")
foreach(input IN ITEMS "${MKINSTALLER_SOURCE_DIR}" ${inputs})
    depfile_name("${input}" name)
    string(APPEND line " \\\n  ${name}")
endforeach()
file(WRITE "${DEPFILE}" "${line}\n")
