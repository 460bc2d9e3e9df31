# The virtual printer run as a real process and talked to over its pseudo-terminal, and printcore through it.
tessaline_gtest(test_virtualprinter
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/virtualprinter_test.cpp)
add_dependencies(test_virtualprinter virtual-printer)
target_compile_definitions(test_virtualprinter PRIVATE VIRTUAL_PRINTER_PATH="$<TARGET_FILE:virtual-printer>")
