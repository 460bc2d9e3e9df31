tessaline_gtest(test_cutting
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/cuttinghelpers.h
        ${CMAKE_CURRENT_LIST_DIR}/repairreference.h
        ${CMAKE_CURRENT_LIST_DIR}/layercutter_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/repairpolygons_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/rasterframesetup_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/layerarea_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/layersvg_test.cpp
    LIBS tessaline_raster)

tessaline_fuzzer(fuzz_repairpolygons
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/repair_fuzz.cpp
    LIBS tessaline_raster
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/repair)

tessaline_fuzzer(fuzz_layercutting
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/layercutting_fuzz.cpp
    LIBS tessaline_raster
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/cutting)
