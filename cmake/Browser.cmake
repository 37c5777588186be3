# One static library per folder; its *_test.cpp files become one gtest binary beside it.
include_guard(GLOBAL)

find_package(GTest REQUIRED)
include(GoogleTest)

# browser_library(NAME DEPS lib... [TEST_DEPS lib...] [LABEL unit|e2e] [EXCLUDE file.cpp...])
function(browser_library name)
    cmake_parse_arguments(ARG "" "" "DEPS;TEST_DEPS;LABEL;EXCLUDE" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    if(tests)
        list(REMOVE_ITEM sources ${tests})
    endif()
    foreach(excluded ${ARG_EXCLUDE})
        list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
    endforeach()
    if(NOT sources)
        # A folder whose code has not been written yet adds nothing.
        return()
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    if(tests AND BROWSER_BUILD_TESTS)
        set(label unit)
        if(ARG_LABEL)
            set(label ${ARG_LABEL})
        endif()
        add_executable(${name}_tests ${tests})
        target_link_libraries(${name}_tests PRIVATE ${name} ${ARG_TEST_DEPS} platform_testing
                              GTest::gmock GTest::gtest_main)
        # Each test case is its own CTest test, so that a failure names the case and the
        # closing count is the number of cases.
        gtest_discover_tests(${name}_tests DISCOVERY_MODE PRE_TEST
                             PROPERTIES LABELS ${label} TIMEOUT 300)
    endif()
endfunction()
