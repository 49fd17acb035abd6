# Sets LICENSE_TEXT_SOURCE: the source file that defines license_text.
set(LICENSE_TEXT_SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/driver/license_text.cc)
