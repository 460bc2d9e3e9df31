# Concentric shells with their centre lines on a large shell region, and a whole slice of a slab held by a grid
# of support bars, whose top layer gets the soft contact pads.
add_executable(bench_support ${CMAKE_CURRENT_LIST_DIR}/support_bench.cpp)
target_link_libraries(bench_support PRIVATE tessaline_engine benchmark::benchmark)
tessaline_warnings(bench_support)
