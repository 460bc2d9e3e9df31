# Support-bar contact pads and concentric shells: the pieces on generated planes, the pads through whole slices
# read back from G-code.
tessaline_gtest(test_enginesupport
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/supportpaths_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/concentricfill_test.cpp
    LIBS tessaline_engine)
