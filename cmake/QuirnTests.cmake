# quirn_add_test(NAME name SOURCES files... LIBRARIES targets...)
# Builds one QtTest executable and registers it with CTest, headless; a
# test that reports a skip fails.
function(quirn_add_test)
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBRARIES})
    # What tests share: their own display, bounded helper programs, test books.
    target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/harness)
    target_compile_definitions(${T_NAME} PRIVATE
        QUIRN_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/tests/data/real"
        QUIRN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
        # Every dependency is installed where the tests run: a skip is a failure.
        FAIL_REGULAR_EXPRESSION "SKIP   : "
        TIMEOUT 1200)
endfunction()
