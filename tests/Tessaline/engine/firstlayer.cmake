# Skirt, brim and raft: the loop builder and the raft table on planes and text, the whole stage through a slice.
tessaline_gtest(test_firstlayer
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/firstlayerloops_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/rafttable_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/brimskirtraft_test.cpp
    LIBS tessaline_engine)

tessaline_fuzzer(fuzz_rafttable
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/rafttable_fuzz.cpp
    LIBS tessaline_engine
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/rafttables)
