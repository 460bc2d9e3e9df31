add_executable(bench_raster ${CMAKE_CURRENT_LIST_DIR}/raster_bench.cpp)
target_link_libraries(bench_raster PRIVATE tessaline_raster benchmark::benchmark)
