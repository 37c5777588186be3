# Read by CTest (not by CMake): registers every test case of one gtest binary as a CTest test
# of its own, by asking the binary for its list. Set before including: TEST_BINARY, TEST_LABEL,
# TEST_TIMEOUT.
if(NOT EXISTS "${TEST_BINARY}")
    add_test("${TEST_BINARY}-not-built" "${TEST_BINARY}")
    return()
endif()
execute_process(COMMAND "${TEST_BINARY}" --gtest_list_tests
                OUTPUT_VARIABLE listing RESULT_VARIABLE listed TIMEOUT 60)
if(NOT listed EQUAL 0)
    add_test("${TEST_BINARY}-cannot-list" "${TEST_BINARY}" --gtest_list_tests)
    return()
endif()
string(REPLACE ";" "" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(suite "")
foreach(line IN LISTS lines)
    string(REGEX REPLACE "#.*" "" line "${line}")
    if(line MATCHES "^([^ ]+)\\.[ ]*$")
        set(suite "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^  +([^ ]+)" AND suite)
        set(name "${suite}.${CMAKE_MATCH_1}")
        if(NOT name MATCHES "DISABLED_")
            add_test("${name}" "${TEST_BINARY}" "--gtest_filter=${name}")
            set_tests_properties("${name}" PROPERTIES LABELS "${TEST_LABEL}"
                                 TIMEOUT "${TEST_TIMEOUT}")
        endif()
    endif()
endforeach()
