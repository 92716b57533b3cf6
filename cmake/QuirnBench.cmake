# quirn_add_benchmark(NAME bench_x SOURCES files... LIBRARIES targets...)
# Builds one benchmark program. scripts/bench.sh runs every program named
# bench_* under build/bench/ (see bench/BenchReport.h for what each prints
# and how it ends); it is never run by CTest.
function(quirn_add_benchmark)
    cmake_parse_arguments(B "" "NAME" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${B_NAME} ${B_SOURCES} ${PROJECT_SOURCE_DIR}/bench/BenchReport.h)
    target_link_libraries(${B_NAME} PRIVATE ${B_LIBRARIES})
    target_include_directories(${B_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/bench)
    target_compile_definitions(${B_NAME} PRIVATE QUIRN_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/tests/data/real")
endfunction()
