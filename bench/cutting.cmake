add_executable(bench_cutting ${CMAKE_CURRENT_LIST_DIR}/cutting_bench.cpp)
target_link_libraries(bench_cutting PRIVATE tessaline_raster benchmark::benchmark)
