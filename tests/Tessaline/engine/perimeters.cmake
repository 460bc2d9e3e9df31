tessaline_gtest(test_perimeters
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/shellstesthelpers.h
        ${CMAKE_CURRENT_LIST_DIR}/verticalshells_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/hairdetect_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/islands_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/pathsmoothing_test.cpp
    LIBS tessaline_engine meshgen_shapes)
target_include_directories(test_perimeters PRIVATE ${PROJECT_SOURCE_DIR}/tests/Tessaline/raster)
