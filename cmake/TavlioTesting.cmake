# Helpers for the test programs: doctest programs cross-compiled for Windows
# and run by CTest under Wine, in the virtual display of the test session.

set(TAVLIO_TEST_TIMEOUT 60 CACHE STRING "Default time-out of one test, in seconds")

# One shared session (prefix, virtual display, wineserver) for the whole run;
# on Windows the tests run on the desktop as they are.
if(CMAKE_CROSSCOMPILING)
    add_test(NAME session.start COMMAND ${CMAKE_SOURCE_DIR}/scripts/test-session start ${CMAKE_BINARY_DIR})
    add_test(NAME session.stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/test-session stop ${CMAKE_BINARY_DIR})
    set_tests_properties(session.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
    set_tests_properties(session.stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 30)
endif()

# tavlio_add_test_program(<target> SOURCES <files...> [LIBRARIES <libs...>])
# A console test program with doctest's main and the shared test helpers.
function(tavlio_add_test_program target)
    cmake_parse_arguments(arg "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${target} ${arg_SOURCES})
    target_link_libraries(${target} PRIVATE tavlio_test_support ${arg_LIBRARIES})
    if(TARGET WebView2Loader)
        add_dependencies(${target} WebView2Loader)
    endif()
endfunction()

# tavlio_add_test(<name> COMMAND <command...> [TIMEOUT <s>] [ENVIRONMENT <k=v...>])
# A test that needs the Wine session.
function(tavlio_add_test name)
    cmake_parse_arguments(arg "" "TIMEOUT" "COMMAND;ENVIRONMENT" ${ARGN})
    if(NOT arg_TIMEOUT)
        set(arg_TIMEOUT ${TAVLIO_TEST_TIMEOUT})
    endif()
    add_test(NAME ${name} COMMAND ${arg_COMMAND})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${arg_TIMEOUT})
    if(arg_ENVIRONMENT)
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${arg_ENVIRONMENT}")
    endif()
endfunction()

# A test that reads the screen or sends real input needs the display to
# itself: with "display" it runs alone, so no other test's window or load
# comes between it and what it looks at.
function(tavlio_lock_resource test resource)
    if(resource STREQUAL "display")
        set_tests_properties("${test}" PROPERTIES RESOURCE_LOCK display RUN_SERIAL TRUE)
    elseif(resource)
        set_tests_properties("${test}" PROPERTIES RESOURCE_LOCK ${resource})
    endif()
endfunction()

# tavlio_add_doctest(<target> [PER_CASE] [TIMEOUT <s>] [RESOURCE_LOCK <name>])
# Registers a doctest program with CTest. PER_CASE runs each TEST_CASE in a
# process of its own (for tests of process-wide state: the main window, the
# engine's pane ordinals); the case names are read from the sources, so the
# build never has to run a Windows program.
function(tavlio_add_doctest target)
    cmake_parse_arguments(arg "PER_CASE" "TIMEOUT;RESOURCE_LOCK" "" ${ARGN})
    set(extra "")
    if(arg_TIMEOUT)
        list(APPEND extra TIMEOUT ${arg_TIMEOUT})
    endif()
    if(NOT arg_PER_CASE)
        tavlio_add_test(${target} COMMAND ${target} --no-colors ${extra})
        tavlio_lock_resource(${target} "${arg_RESOURCE_LOCK}")
        return()
    endif()
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    foreach(source IN LISTS sources)
        if(NOT source MATCHES "\\.cpp$")
            continue()
        endif()
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir})
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
        file(STRINGS ${source} lines REGEX "^[ \t]*TEST_CASE\\(\"")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[ \t]*TEST_CASE\\(\"([^\"]+)\".*" "\\1" case "${line}")
            if(case MATCHES "[],*?[]")
                message(FATAL_ERROR "${source}: test case names must not hold , * ? [ ]: ${case}")
            endif()
            tavlio_add_test("${target}: ${case}" COMMAND ${target} --no-colors "--test-case=${case}" ${extra})
            tavlio_lock_resource("${target}: ${case}" "${arg_RESOURCE_LOCK}")
        endforeach()
    endforeach()
endfunction()
