# The licence agreement's lines: laid out at build time from a paragraphs file into the source that
# defines driver::license_text, which installer_driver compiles. Sets LICENSE_TEXT_SOURCE. The layout
# itself lives in cmake/generate_license_text.cmake.
set(LICENSE_TEXT_OWN_FILE ${CMAKE_CURRENT_SOURCE_DIR}/driver/license.txt)
set(INSTALLER_LICENSE_FILE ${LICENSE_TEXT_OWN_FILE} CACHE FILEPATH
    "Paragraphs file of the licence agreement the installer shows")
cmake_path(ABSOLUTE_PATH INSTALLER_LICENSE_FILE BASE_DIRECTORY ${CMAKE_BINARY_DIR} NORMALIZE
           OUTPUT_VARIABLE LICENSE_TEXT_INPUT)
if(NOT EXISTS ${LICENSE_TEXT_INPUT} OR IS_DIRECTORY ${LICENSE_TEXT_INPUT})
    message(FATAL_ERROR "INSTALLER_LICENSE_FILE: no paragraphs file ${LICENSE_TEXT_INPUT}")
endif()

# Our own agreement has a fixed length of 114 lines; a vendor's text may have any length, and every
# other layout rule holds for it all the same.
set(LICENSE_TEXT_EXPECTED_LINES "")
if(LICENSE_TEXT_INPUT STREQUAL LICENSE_TEXT_OWN_FILE)
    set(LICENSE_TEXT_EXPECTED_LINES 114)
endif()

set(LICENSE_TEXT_GENERATOR ${PROJECT_SOURCE_DIR}/cmake/generate_license_text.cmake)
set(LICENSE_TEXT_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/driver/license_text.cc)
add_custom_command(
    OUTPUT ${LICENSE_TEXT_SOURCE}
    COMMAND ${CMAKE_COMMAND} -DLICENSE_INPUT=${LICENSE_TEXT_INPUT} -DLICENSE_OUTPUT=${LICENSE_TEXT_SOURCE}
            -DLICENSE_EXPECTED_LINES=${LICENSE_TEXT_EXPECTED_LINES} -P ${LICENSE_TEXT_GENERATOR}
    DEPENDS ${LICENSE_TEXT_INPUT} ${LICENSE_TEXT_GENERATOR}
    COMMENT "Laying out the licence agreement from ${LICENSE_TEXT_INPUT}"
    VERBATIM)
