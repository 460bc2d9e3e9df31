tessaline_gtest(test_meshes
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/meshtestutil.h
        ${CMAKE_CURRENT_LIST_DIR}/m44f_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/faces_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/stl_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/obj_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/meshray_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/raybatch_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/workerthread_test.cpp
    LIBS tessaline_geometry meshgen_shapes)

tessaline_fuzzer(fuzz_stl SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_stl.cpp LIBS tessaline_geometry
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/meshes)
tessaline_fuzzer(fuzz_obj SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_obj.cpp LIBS tessaline_geometry
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/meshes)
