# SPDX-License-Identifier: MIT
find_package(GTest REQUIRED)

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
endfunction()
