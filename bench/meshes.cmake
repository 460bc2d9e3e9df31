# Loading and hashing binary STL files of 100 k, 1 M and 4 M triangles against merely reading them.
add_executable(bench_meshload ${CMAKE_CURRENT_LIST_DIR}/meshload_bench.cpp)
target_link_libraries(bench_meshload PRIVATE tessaline_geometry meshgen_shapes benchmark::benchmark)
tessaline_warnings(bench_meshload)
