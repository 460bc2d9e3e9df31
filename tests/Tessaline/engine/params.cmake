tessaline_gtest(test_slicerparams
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/slicerparams_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/slicerpresets_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/settingstrailer_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/settingstable_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/everyfieldmoved.h
    LIBS tessaline_engine)

tessaline_fuzzer(fuzz_slicerparams
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/params_fuzz.cpp
    LIBS tessaline_engine
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/presets)
