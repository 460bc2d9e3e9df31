tessaline_gtest(test_scene
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/scenetestutil.h
        ${CMAKE_CURRENT_LIST_DIR}/projectfile_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/sceneedits_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/fileops_test.cpp
    LIBS tessaline_scene meshgen_shapes Qt5::Test)

tessaline_fuzzer(fuzz_project SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_project.cpp LIBS tessaline_scene
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/projects)
