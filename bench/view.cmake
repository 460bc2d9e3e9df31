# Frame time of the 3D view against a bare shader (run under Xvfb; see view_bench.cpp).
add_executable(bench_view ${CMAKE_CURRENT_LIST_DIR}/view_bench.cpp)
target_compile_definitions(bench_view PRIVATE TESSALINE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
target_link_libraries(bench_view PRIVATE tessaline_view meshgen_shapes Qt5::Test)
tessaline_warnings(bench_view)
