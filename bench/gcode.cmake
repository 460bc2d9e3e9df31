# Parser, number reader and compact-format converter throughput on generated 100 MB files.
add_executable(bench_gcode ${CMAKE_CURRENT_LIST_DIR}/gcode_bench.cpp
    ${PROJECT_SOURCE_DIR}/tools/gcodegen/gcodegen.cpp ${PROJECT_SOURCE_DIR}/tools/gcodegen/gcodegen.h)
target_include_directories(bench_gcode PRIVATE ${PROJECT_SOURCE_DIR}/tools/gcodegen)
target_link_libraries(bench_gcode PRIVATE common_gcode benchmark::benchmark)
tessaline_warnings(bench_gcode)
