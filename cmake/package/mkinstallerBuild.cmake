# Run by the custom command of mkinstaller_add_installer:
#   cmake -DMKINSTALLER=<program> -DSETTINGS=<file> -DDEPFILE=<file> -P mkinstallerBuild.cmake
# builds the installer, then lists in DEPFILE every file and directory beneath the source directory.
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
depfile_name("${MKINSTALLER_OUTPUT}" line)
string(APPEND line ":")
foreach(input IN ITEMS "${MKINSTALLER_SOURCE_DIR}" ${inputs})
    depfile_name("${input}" name)
    string(APPEND line " \\\n  ${name}")
endforeach()
file(WRITE "${DEPFILE}" "${line}\n")
