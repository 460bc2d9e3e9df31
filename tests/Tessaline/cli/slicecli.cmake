# tessaline-cli slice run as a real process on generated models and the sample projects; the G-code is read
# back with the system's parser.
tessaline_gtest(test_cli_slice
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/slice_cli_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/slice_origin_cli_test.cpp
    LIBS tessaline_geometry common_gcode)
target_include_directories(test_cli_slice PRIVATE ${PROJECT_SOURCE_DIR}/tests/Tessaline/engine)
if(TARGET tessaline-cli)
    add_dependencies(test_cli_slice tessaline-cli)
    target_compile_definitions(test_cli_slice PRIVATE TESSALINE_CLI_PATH="$<TARGET_FILE:tessaline-cli>")
endif()
