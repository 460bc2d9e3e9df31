# The slice driver: caches, the sweep pipeline and batches, threads, progress and the running marker, on generated meshes.
tessaline_gtest(test_slicer
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/fifo_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/slicer_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/sweeppipeline_test.cpp
    LIBS tessaline_engine)
