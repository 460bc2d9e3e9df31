add_executable(bench_fills ${CMAKE_CURRENT_LIST_DIR}/fills_bench.cpp)
target_link_libraries(bench_fills PRIVATE tessaline_engine benchmark::benchmark)
