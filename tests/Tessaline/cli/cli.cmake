# tessaline-cli run as a real process: exit codes, messages, --json output read back.
tessaline_gtest(test_cli
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/cli_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/referencestats.cpp
        ${CMAKE_CURRENT_LIST_DIR}/referencestats.h
        ${PROJECT_SOURCE_DIR}/tools/gcodegen/gcodegen.cpp
    LIBS common_gcode)
target_include_directories(test_cli PRIVATE ${PROJECT_SOURCE_DIR}/tools/gcodegen)
if(TARGET tessaline-cli)
    add_dependencies(test_cli tessaline-cli)
    target_compile_definitions(test_cli PRIVATE TESSALINE_CLI_PATH="$<TARGET_FILE:tessaline-cli>")
endif()
