# One static library per folder; its *_test.cpp files become one gtest binary beside it.
include_guard(GLOBAL)

find_package(GTest REQUIRED)

# Each test case of a gtest binary becomes a CTest test of its own, listed when CTest runs, so
# that a failure names its case, every case runs in a fresh process and the closing count is
# the number of cases.
function(browser_register_test_cases target label)
    set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_cases.cmake)
    file(GENERATE OUTPUT ${include_file} CONTENT
"set(TEST_BINARY \"$<TARGET_FILE:${target}>\")
set(TEST_LABEL ${label})
set(TEST_TIMEOUT 300)
include(\"${PROJECT_SOURCE_DIR}/cmake/ListedTests.cmake\")
")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()

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
        # Tests find their fixtures from the source tree; __FILE__ is no guide, since the shared
        # compiler cache writes it relative to the build folder.
        target_compile_definitions(${name}_tests PRIVATE
                                   BROWSER_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
        target_link_libraries(${name}_tests PRIVATE ${name} ${ARG_TEST_DEPS} platform_testing
                              GTest::gmock GTest::gtest_main)
        browser_register_test_cases(${name}_tests ${label})
    endif()
endfunction()
