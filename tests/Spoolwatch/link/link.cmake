# The host's link rules without a port: job commands, replies, time and layer index.
tessaline_gtest(test_link_rules
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/jobrules_test.cpp
        ${PROJECT_SOURCE_DIR}/tools/gcodegen/gcodegen.cpp
    LIBS spoolwatch_link)
target_include_directories(test_link_rules PRIVATE ${PROJECT_SOURCE_DIR}/tools/gcodegen)
# The link on real pseudo-terminals: a printer double in the test answers, restarts, fails and is unplugged;
# spoolwatch-cli runs as a real process.
tessaline_gtest(test_link_pty
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/link_pty_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ptyprinter.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ptyprinter.h
        ${CMAKE_CURRENT_LIST_DIR}/streamcheck.h
        ${PROJECT_SOURCE_DIR}/tools/gcodegen/gcodegen.cpp
    LIBS spoolwatch_link)
target_include_directories(test_link_pty PRIVATE ${PROJECT_SOURCE_DIR}/tools/gcodegen)
if(TARGET spoolwatch-cli)
    add_dependencies(test_link_pty spoolwatch-cli)
    target_compile_definitions(test_link_pty PRIVATE SPOOLWATCH_CLI_PATH="$<TARGET_FILE:spoolwatch-cli>")
endif()
# The link against tools/virtual-printer, the firmware double, as a real process on its terminal.
if(TARGET virtual-printer)
    tessaline_gtest(test_link_vprinter
        SOURCES
            ${CMAKE_CURRENT_LIST_DIR}/vprinter_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/streamcheck.h
            ${PROJECT_SOURCE_DIR}/tools/gcodegen/gcodegen.cpp
        LIBS spoolwatch_link)
    target_include_directories(test_link_vprinter PRIVATE ${PROJECT_SOURCE_DIR}/tools/gcodegen)
    add_dependencies(test_link_vprinter virtual-printer)
    target_compile_definitions(test_link_vprinter PRIVATE VIRTUAL_PRINTER_PATH="$<TARGET_FILE:virtual-printer>")
endif()
# Arbitrary bytes as a job: cutting commands and indexing (the units are compiled in for coverage).
tessaline_fuzzer(fuzz_jobcommands
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/jobcommands_fuzz.cpp
        ${PROJECT_SOURCE_DIR}/Spoolwatch/link/jobcommands.cpp
        ${PROJECT_SOURCE_DIR}/Spoolwatch/link/jobindex.cpp
    LIBS spoolwatch_link
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/gcode/text)
