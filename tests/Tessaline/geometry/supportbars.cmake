tessaline_gtest(test_supportbars
    SOURCES
        ${PROJECT_SOURCE_DIR}/tests/Tessaline/raster/cuttinghelpers.h
        ${CMAKE_CURRENT_LIST_DIR}/supportbar_test.cpp
    LIBS tessaline_raster)
target_include_directories(test_supportbars PRIVATE ${PROJECT_SOURCE_DIR}/tests/Tessaline/raster)
