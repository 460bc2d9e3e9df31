# The G-code parser, its formatter, the machine model and the compact-format converter.
set(gcodegen_sources ${PROJECT_SOURCE_DIR}/tools/gcodegen/gcodegen.cpp ${PROJECT_SOURCE_DIR}/tools/gcodegen/gcodegen.h)

tessaline_gtest(test_gcode
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/gcodeformat_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/gcodeparser_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/parsesteps.h
        ${CMAKE_CURRENT_LIST_DIR}/gcodesim_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/xcode_test.cpp
        ${gcodegen_sources}
    LIBS common_gcode)
target_include_directories(test_gcode PRIVATE ${PROJECT_SOURCE_DIR}/tools/gcodegen)

# The units under test are compiled into the fuzz targets themselves so that libFuzzer sees their
# coverage (the common library is built without fuzzer instrumentation).
set(gcode_parser_units
    ${PROJECT_SOURCE_DIR}/common/strnum.cpp
    ${PROJECT_SOURCE_DIR}/common/gcode/gcodeparser.cpp
    ${PROJECT_SOURCE_DIR}/common/gcode/gcodeparsertypes.cpp
    ${PROJECT_SOURCE_DIR}/common/gcode/gcodesim.cpp)
tessaline_fuzzer(fuzz_gcodeparser
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/gcodeparser_fuzz.cpp ${gcode_parser_units}
    LIBS common_gcode
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/gcode/text)
tessaline_fuzzer(fuzz_xcode
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/xcode_fuzz.cpp ${gcode_parser_units}
        ${PROJECT_SOURCE_DIR}/common/gcode/gcodesimxcode.cpp ${PROJECT_SOURCE_DIR}/common/gcode/gcodesimformat.cpp
    LIBS common_gcode
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/gcode/compact)
