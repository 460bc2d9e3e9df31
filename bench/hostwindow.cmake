# The host's window with four virtual printers streaming at once: the link's turnaround with four
# threads sharing two cores (goal as for one printer, bench/host_stream.sh), and one refresh tick of the
# window with four panels (goal under 5 ms).
add_executable(bench_hostwindow ${CMAKE_CURRENT_LIST_DIR}/hostwindow_bench.cpp
    ${PROJECT_SOURCE_DIR}/tools/gcodegen/gcodegen.cpp ${PROJECT_SOURCE_DIR}/tools/gcodegen/gcodegen.h)
target_include_directories(bench_hostwindow PRIVATE ${PROJECT_SOURCE_DIR}/tools/gcodegen)
target_link_libraries(bench_hostwindow PRIVATE spoolwatch_ui benchmark::benchmark)
add_dependencies(bench_hostwindow virtual-printer)
target_compile_definitions(bench_hostwindow PRIVATE VIRTUAL_PRINTER_PATH="$<TARGET_FILE:virtual-printer>")
tessaline_warnings(bench_hostwindow)
