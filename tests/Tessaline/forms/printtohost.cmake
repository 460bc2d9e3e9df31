# The slicer's Print reaching a real host process and its printer: needs the host and the virtual printer
# built.
if(TARGET virtual-printer AND TARGET Spoolwatch)
    tessaline_gtest(test_print_to_host GUI
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/printtohost_test.cpp
        LIBS tessaline_forms)
    target_include_directories(test_print_to_host PRIVATE ${PROJECT_SOURCE_DIR}/tests/Spoolwatch/ui)
    add_dependencies(test_print_to_host Spoolwatch virtual-printer)
    target_compile_definitions(test_print_to_host PRIVATE VIRTUAL_PRINTER_PATH="$<TARGET_FILE:virtual-printer>"
        SPOOLWATCH_PATH="$<TARGET_FILE:Spoolwatch>")
endif()
