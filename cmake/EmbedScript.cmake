# Turns a JavaScript file into a C++ header holding it as one wide-string
# constant, so the program carries the file's text exactly and nobody keeps a
# hand-escaped copy. Usage: cmake -DINPUT=... -DOUTPUT=... -DNAME=... -P EmbedScript.cmake
file(READ ${INPUT} text)
set(delimiter "tavlio_js")
string(FIND "${text}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${INPUT} contains the raw-string delimiter )${delimiter}\"")
endif()
# CMake strings know no \x escapes: list what is allowed (tab, line breaks,
# printable ASCII) and refuse anything else.
if(text MATCHES "[^\t\n\r -~]")
    message(FATAL_ERROR "${INPUT} must be plain ASCII")
endif()
get_filename_component(source_name ${INPUT} NAME)
set(header "// Made by the build from ${source_name}; edit that file instead.\n#pragma once\n\n")
string(APPEND header "inline constexpr wchar_t ${NAME}[] = LR\"${delimiter}(${text})${delimiter}\";\n")
file(WRITE ${OUTPUT}.tmp "${header}")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
