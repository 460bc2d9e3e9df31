# tessaline-cli settings and --set run as a real process: the listing against the settings table, preset values,
# range errors, and a failure outside the program's own messages.
tessaline_gtest(test_cli_settings
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_cli_test.cpp
    LIBS tessaline_engine)
if(TARGET tessaline-cli)
    add_dependencies(test_cli_settings tessaline-cli)
    target_compile_definitions(test_cli_settings PRIVATE TESSALINE_CLI_PATH="$<TARGET_FILE:tessaline-cli>")
endif()
