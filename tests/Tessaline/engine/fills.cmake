# Horizontal shells and line fills: the region steps against their definition, the pattern, the extractor and
# the joining on generated regions, and whole slices read back from G-code.
tessaline_gtest(test_fills
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/horizontalshells_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/linefills_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/fills_slice_test.cpp
    LIBS tessaline_engine)
