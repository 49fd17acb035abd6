# Run by the custom command of mkinstaller_add_installer:
#   cmake -DMKINSTALLER=<program> -DSETTINGS=<file> -DDEPFILE=<file> -P mkinstallerBuild.cmake
# builds the installer, then lists in DEPFILE every file and directory beneath the source directory,
# and the text files a --profile names.
include("${SETTINGS}")

cmake_path(GET MKINSTALLER_OUTPUT PARENT_PATH output_dir)
file(MAKE_DIRECTORY "${output_dir}")

# MKINSTALLER_ARGUMENTS holds bracket arguments, one per argument, so that no value is split.
cmake_language(EVAL CODE "
    execute_process(COMMAND \"\${MKINSTALLER}\" build ${MKINSTALLER_ARGUMENTS} --
                            \"\${MKINSTALLER_SOURCE_DIR}\" \"\${MKINSTALLER_OUTPUT}\"
                    RESULT_VARIABLE status)")
if(NOT status EQUAL 0)
    message(FATAL_ERROR "mkinstaller build failed (${status})")
endif()

# Everything beneath the source directory. A name may hold a ';' or an unpaired bracket, which a CMake
# list would split or merge: both are set aside as control characters (which no packed name holds)
# before the result is read as a list, and one ';' starts a name only where the source directory
# follows it.
string(ASCII 1 opening)
string(ASCII 2 closing)
string(ASCII 3 semicolon)
macro(set_aside variable)
    string(REPLACE "[" "${opening}" ${variable} "${${variable}}")
    string(REPLACE "]" "${closing}" ${variable} "${${variable}}")
    string(REPLACE ";" "${semicolon}" ${variable} "${${variable}}")
endmacro()
file(GLOB_RECURSE found LIST_DIRECTORIES true "${MKINSTALLER_SOURCE_DIR}/*")
set(source "${MKINSTALLER_SOURCE_DIR}")
set_aside(found)
set_aside(source)
string(REPLACE "${semicolon}${source}/" ";${source}/" found "${found}")
set(inputs "${source}")
list(APPEND inputs ${found})

# The profile counts as mkinstaller takes it: its FILE values relative to its own directory. A file that
# an option overrode is listed all the same when it exists: a needless rebuild at worst, where a
# missing one would rebuild every time.
if(MKINSTALLER_PROFILE)
    cmake_path(GET MKINSTALLER_PROFILE PARENT_PATH profile_dir)
    file(STRINGS "${MKINSTALLER_PROFILE}" profile_lines ENCODING UTF-8)
    foreach(profile_line IN LISTS profile_lines)
        if(profile_line MATCHES "^[ \t]*(closing-text|existing-dir-text)[ \t]*=[ \t]*([^ \t].*)$")
            string(STRIP "${CMAKE_MATCH_2}" text_file)
            cmake_path(ABSOLUTE_PATH text_file BASE_DIRECTORY "${profile_dir}" NORMALIZE)
            if(EXISTS "${text_file}")
                set_aside(text_file)
                list(APPEND inputs "${text_file}")
            endif()
        endif()
    endforeach()
endif()

# A name goes into the depfile as it is when every generator reads it back unchanged; any other (a
# blank, ':', '#', '$', a quote, a non-ASCII byte...) is listed as a link with a plain name in
# MKINSTALLER_LINKS to it: make and ninja take a dependency's time through links, so the link stands
# for its file or directory. The links are made again at every build. Make's escapes serve the one
# name left, the links' directory, whose path the function checks.
file(REMOVE_RECURSE "${MKINSTALLER_LINKS}")
file(MAKE_DIRECTORY "${MKINSTALLER_LINKS}")
function(depfile_name path out)
    string(REPLACE "$" "$$" path "${path}")
    string(REPLACE "#" "\\#" path "${path}")
    string(REPLACE " " "\\ " path "${path}")
    set(${out} "${path}" PARENT_SCOPE)
endfunction()
depfile_name("${MKINSTALLER_OUTPUT}" line)
string(APPEND line ":")
set(link_count 0)
foreach(input IN LISTS inputs)
    string(REPLACE "${opening}" "[" input "${input}")
    string(REPLACE "${closing}" "]" input "${input}")
    string(REPLACE "${semicolon}" ";" input "${input}")
    if(NOT input MATCHES "^[-A-Za-z0-9_./+,@~]*$")
        set(link "${MKINSTALLER_LINKS}/${link_count}")
        math(EXPR link_count "${link_count} + 1")
        file(CREATE_LINK "${input}" "${link}" SYMBOLIC)
        set(input "${link}")
    endif()
    depfile_name("${input}" name)
    string(APPEND line " \\\n  ${name}")
endforeach()
file(WRITE "${DEPFILE}" "${line}\n")
