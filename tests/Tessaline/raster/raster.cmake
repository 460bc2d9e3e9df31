tessaline_gtest(test_raster
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/rastertesthelpers.h
        ${CMAKE_CURRENT_LIST_DIR}/plane_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/rasterizer_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/blur_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/simd_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/polyline_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/contour_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/linemasker_test.cpp
    LIBS tessaline_raster)

tessaline_fuzzer(fuzz_raster
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/raster_fuzz.cpp
    LIBS tessaline_raster
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/raster_fuzz)
