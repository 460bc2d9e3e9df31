tessaline_gtest(test_common
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/takeline_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/duration_test.cpp
    LIBS common)
