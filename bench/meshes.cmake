# Binary STL import on 1 and 2 threads, step by step and whole, on 100 k, 1 M and 4 M triangles, against
# merely reading the file.
add_executable(bench_meshload ${CMAKE_CURRENT_LIST_DIR}/meshload_bench.cpp)
target_link_libraries(bench_meshload PRIVATE tessaline_geometry meshgen_shapes benchmark::benchmark)
tessaline_warnings(bench_meshload)
