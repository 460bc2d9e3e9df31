# The G-code parser, its number reader and formatter, the machine model and the compact-format converter.
set(gcodegen_sources ${PROJECT_SOURCE_DIR}/tools/gcodegen/gcodegen.cpp ${PROJECT_SOURCE_DIR}/tools/gcodegen/gcodegen.h)

tessaline_gtest(test_gcode
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/strnum_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/gcodeformat_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/gcodeparser_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/gcodesim_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/xcode_test.cpp
        ${gcodegen_sources}
    LIBS common)
target_include_directories(test_gcode PRIVATE ${PROJECT_SOURCE_DIR}/tools/gcodegen)

tessaline_fuzzer(fuzz_gcodeparser
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/gcodeparser_fuzz.cpp
    LIBS common
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/gcode/text)
tessaline_fuzzer(fuzz_xcode
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/xcode_fuzz.cpp
    LIBS common
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/gcode/compact)
