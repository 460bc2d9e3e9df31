# tessaline-cli slice run as a real process on generated models and the sample projects.
tessaline_gtest(test_cli_slice
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/slice_cli_test.cpp
    LIBS tessaline_geometry)
if(TARGET tessaline-cli)
    add_dependencies(test_cli_slice tessaline-cli)
    target_compile_definitions(test_cli_slice PRIVATE TESSALINE_CLI_PATH="$<TARGET_FILE:tessaline-cli>")
endif()
