# The G-code preview model and its vertex buffers built from a generated 100 MB file in the slicer's
# dialect (goal: the model in a couple of seconds).
add_executable(bench_gcodepreview ${CMAKE_CURRENT_LIST_DIR}/gcodepreview_bench.cpp
    ${PROJECT_SOURCE_DIR}/tools/gcodegen/gcodegen.cpp ${PROJECT_SOURCE_DIR}/tools/gcodegen/gcodegen.h)
target_include_directories(bench_gcodepreview PRIVATE ${PROJECT_SOURCE_DIR}/tools/gcodegen)
target_link_libraries(bench_gcodepreview PRIVATE tessaline_view benchmark::benchmark)
tessaline_warnings(bench_gcodepreview)
