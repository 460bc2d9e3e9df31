# Vertical shells (offset passes, tracing, hair detection) of one realistic layer, 1 and 2 threads.
add_executable(bench_perimeters ${CMAKE_CURRENT_LIST_DIR}/perimeters_bench.cpp)
target_link_libraries(bench_perimeters PRIVATE tessaline_engine benchmark::benchmark)
tessaline_warnings(bench_perimeters)
