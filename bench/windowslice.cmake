# The slicer's window while a background slice grows the preview (run under Xvfb; see windowslice_bench.cpp).
add_executable(bench_windowslice ${CMAKE_CURRENT_LIST_DIR}/windowslice_bench.cpp)
target_compile_definitions(bench_windowslice PRIVATE TESSALINE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
target_link_libraries(bench_windowslice PRIVATE tessaline_forms Qt5::Test)
tessaline_warnings(bench_windowslice)
