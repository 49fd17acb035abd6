# Lays out the licence agreement: reads a paragraphs file and writes the C++ source that defines
# driver::license_text. It holds the layout rules and the checks on them; it does not decide which file
# is used (src/driver/license_text.cmake does), nor the window title in entry 0, which is the vendor
# settings' built-in title (src/payload/vendor_settings_table.h).
#
#   cmake -DLICENSE_INPUT=<paragraphs file> -DLICENSE_OUTPUT=<source to write>
#         [-DLICENSE_EXPECTED_LINES=<n>] -P generate_license_text.cmake
#
# Paragraphs are separated by blank lines; inside one, line breaks and runs of blanks only separate words.
# Each paragraph is filled greedily into lines of at most 74 characters, its first line indented by three
# blanks; every line but a paragraph's last is justified to exactly 74 characters by widening the gaps
# between its words, the leftmost gaps first. One empty line separates two paragraphs. Any input that
# cannot be laid out this way stops the script with a message naming the file and the paragraph; nothing
# is written then, so the build never links a half-made text.
cmake_minimum_required(VERSION 3.25)

set(LICENSE_WIDTH 74)
set(LICENSE_INDENT "   ")
string(LENGTH "${LICENSE_INDENT}" LICENSE_INDENT_LENGTH)
math(EXPR LICENSE_LONGEST_WORD "${LICENSE_WIDTH} - ${LICENSE_INDENT_LENGTH}")

if(NOT DEFINED LICENSE_INPUT OR NOT DEFINED LICENSE_OUTPUT)
    message(FATAL_ERROR "licence text: LICENSE_INPUT and LICENSE_OUTPUT must both be given")
endif()
if(NOT EXISTS "${LICENSE_INPUT}" OR IS_DIRECTORY "${LICENSE_INPUT}")
    message(FATAL_ERROR "licence text: no paragraphs file ${LICENSE_INPUT}")
endif()

function(license_fail)
    string(CONCAT what ${ARGN})
    message(FATAL_ERROR "licence text ${LICENSE_INPUT}: ${what}")
endfunction()

# A CMake string cannot hold a NUL byte, so the bytes are looked at once in hexadecimal.
file(READ "${LICENSE_INPUT}" text_hex HEX)
string(REGEX MATCHALL ".." text_bytes "${text_hex}")
list(FIND text_bytes "00" nul_at)
if(nul_at GREATER_EQUAL 0)
    license_fail("holds a NUL byte; only printable ASCII is allowed")
endif()
# Reading as text drops carriage returns, so CR LF files read like LF files.
file(READ "${LICENSE_INPUT}" text)
string(REGEX REPLACE "[ -~\t\n]" "" stray "${text}")
if(NOT stray STREQUAL "")
    license_fail("holds characters other than printable ASCII, blanks, tabs and line ends")
endif()

# Semicolons and square brackets would split or glue CMake list elements; they travel as control
# characters, which the check above has just ruled out of the text itself.
string(ASCII 1 SEMICOLON_MARK)
string(ASCII 2 OPEN_BRACKET_MARK)
string(ASCII 3 CLOSE_BRACKET_MARK)
string(REPLACE ";" "${SEMICOLON_MARK}" text "${text}")
string(REPLACE "[" "${OPEN_BRACKET_MARK}" text "${text}")
string(REPLACE "]" "${CLOSE_BRACKET_MARK}" text "${text}")
string(REPLACE "\t" " " text "${text}")

# Joins `words` into one line of exactly LICENSE_WIDTH characters after `indent`; the extra blanks go
# to the leftmost gaps. `used` is the length with single gaps.
function(license_justify out_var indent used paragraph words)
    list(LENGTH words word_count)
    math(EXPR gaps "${word_count} - 1")
    if(gaps EQUAL 0 AND used EQUAL LICENSE_WIDTH)
        set(${out_var} "${indent}${words}" PARENT_SCOPE)
        return()
    endif()
    if(gaps EQUAL 0)
        license_fail("paragraph ${paragraph}: a line holds the single word \"${words}\", which cannot be "
                     "justified to ${LICENSE_WIDTH} characters; reword the paragraph")
    endif()
    math(EXPR extra "${LICENSE_WIDTH} - ${used}")
    math(EXPR per_gap "${extra} / ${gaps}")
    math(EXPR wider_gaps "${extra} % ${gaps}")
    set(line "${indent}")
    set(gap_index 0)
    foreach(word IN LISTS words)
        if(gap_index GREATER 0)
            math(EXPR blanks "1 + ${per_gap}")
            if(gap_index LESS_EQUAL wider_gaps)
                math(EXPR blanks "${blanks} + 1")
            endif()
            string(REPEAT " " ${blanks} gap)
            string(APPEND line "${gap}")
        endif()
        string(APPEND line "${word}")
        math(EXPR gap_index "${gap_index} + 1")
    endforeach()
    set(${out_var} "${line}" PARENT_SCOPE)
endfunction()

# Appends the laid-out lines of one paragraph to the list named by `lines_var`.
function(license_lay_out lines_var paragraph words)
    set(lines "${${lines_var}}")
    set(indent "${LICENSE_INDENT}")
    set(line_words "")
    set(used 0)
    foreach(word IN LISTS words)
        string(LENGTH "${word}" word_length)
        if(word_length GREATER LICENSE_LONGEST_WORD)
            license_fail("paragraph ${paragraph}: the word \"${word}\" has ${word_length} characters; "
                         "no word may be longer than ${LICENSE_LONGEST_WORD}")
        endif()
        if(line_words STREQUAL "")
            string(LENGTH "${indent}" used)
            math(EXPR used "${used} + ${word_length}")
            set(line_words "${word}")
            continue()
        endif()
        math(EXPR wanted "${used} + 1 + ${word_length}")
        if(wanted GREATER LICENSE_WIDTH)
            license_justify(line "${indent}" ${used} ${paragraph} "${line_words}")
            list(APPEND lines "${line}")
            set(indent "")
            set(line_words "${word}")
            set(used ${word_length})
        else()
            list(APPEND line_words "${word}")
            set(used ${wanted})
        endif()
    endforeach()
    # The last line of a paragraph keeps single gaps.
    list(JOIN line_words " " line)
    list(APPEND lines "${indent}${line}")
    set(${lines_var} "${lines}" PARENT_SCOPE)
endfunction()

string(REPLACE "\n" ";" source_lines "${text}")
set(agreement "")
set(paragraph 0)
set(words "")
# One blank line more than the file needs ends the last paragraph.
list(APPEND source_lines "")
foreach(source_line IN LISTS source_lines)
    string(REGEX MATCHALL "[^ ]+" line_words "${source_line}")
    if(NOT line_words STREQUAL "")
        list(APPEND words ${line_words})
        continue()
    endif()
    if(words STREQUAL "")
        continue()
    endif()
    math(EXPR paragraph "${paragraph} + 1")
    if(paragraph GREATER 1)
        list(APPEND agreement "")
    endif()
    license_lay_out(agreement ${paragraph} "${words}")
    set(words "")
endforeach()

if(paragraph EQUAL 0)
    license_fail("holds no paragraph")
endif()
list(LENGTH agreement line_count)
if(DEFINED LICENSE_EXPECTED_LINES AND NOT LICENSE_EXPECTED_LINES STREQUAL ""
   AND NOT line_count EQUAL LICENSE_EXPECTED_LINES)
    license_fail("lays out into ${line_count} lines in ${paragraph} paragraphs; "
                 "this agreement must have ${LICENSE_EXPECTED_LINES}")
endif()

# Every character goes into a C++ string literal: backslashes and quotes are escaped, and every '?' too,
# so that no "??" pair can ever be read as a trigraph.
set(body "")
foreach(line IN LISTS agreement)
    string(REPLACE "\\" "\\\\" line "${line}")
    string(REPLACE "\"" "\\\"" line "${line}")
    string(REPLACE "?" "\\?" line "${line}")
    string(APPEND body "    \"${line}\",\n")
endforeach()
string(REPLACE "${SEMICOLON_MARK}" ";" body "${body}")
string(REPLACE "${OPEN_BRACKET_MARK}" "[" body "${body}")
string(REPLACE "${CLOSE_BRACKET_MARK}" "]" body "${body}")

file(WRITE "${LICENSE_OUTPUT}"
     "// Generated by cmake/generate_license_text.cmake from ${LICENSE_INPUT}; edit that file, not this one.\n"
     "// ${line_count} agreement lines in ${paragraph} paragraphs.\n"
     "#include \"driver/license_text.h\"\n"
     "\n"
     "#include \"payload/vendor_settings_table.h\"\n"
     "\n"
     "namespace driver {\n"
     "\n"
     "const char* const license_text[] = {\n"
     "    payload::BUILT_IN_TITLE[0].data(),\n"
     "${body}"
     "    nullptr,\n"
     "};\n"
     "\n"
     "}  // namespace driver\n")
