tessaline_gtest(test_supportbars
    SOURCES
        ${PROJECT_SOURCE_DIR}/tests/geometry/cuttinghelpers.h
        ${CMAKE_CURRENT_LIST_DIR}/supportbar_test.cpp
    LIBS tessaline_geometry)
