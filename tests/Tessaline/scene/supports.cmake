tessaline_gtest(test_supports
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/scenetestutil.h
        ${CMAKE_CURRENT_LIST_DIR}/supports_test.cpp
    LIBS tessaline_scene meshgen_shapes Qt5::Test)
