# SPDX-License-Identifier: MIT
if(CMAKE_CROSSCOMPILING)
    # No GoogleTest package exists for the target system: it is built from the sources Debian ships.
    set(VELTRANE_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${VELTRANE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
    find_package(GTest REQUIRED)
endif()

# veltrane_add_test(NAME name LABEL label SOURCES ... [LIBS ...] [TIMEOUT seconds])
# One executable per group of tests, registered with CTest under its label.
function(veltrane_add_test)
    cmake_parse_arguments(ARG "" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE veltrane_cfg ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
    set_tests_properties(${ARG_NAME} PROPERTIES LABELS "${ARG_LABEL}" TIMEOUT ${ARG_TIMEOUT})
    veltrane_find_windows_runtime(${ARG_NAME})
endfunction()

# A test run under Wine finds the DLLs of Qt and of the mingw runtime through WINEPATH; call it in
# the folder that adds the test.
function(veltrane_find_windows_runtime test)
    if(VELTRANE_WINEPATH)
        set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT_MODIFICATION "WINEPATH=set:${VELTRANE_WINEPATH}")
    endif()
endfunction()
