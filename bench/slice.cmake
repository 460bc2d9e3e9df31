add_executable(bench_slice ${CMAKE_CURRENT_LIST_DIR}/slice_bench.cpp)
target_link_libraries(bench_slice PRIVATE tessaline_engine tessaline_scene benchmark::benchmark)
target_compile_definitions(bench_slice PRIVATE TESSALINE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
