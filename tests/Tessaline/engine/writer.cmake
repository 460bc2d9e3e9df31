tessaline_gtest(test_writer
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/layerwriter_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/gcodefile_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/pathordering_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/travelrouter_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/layerordering_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/machinerecord_test.cpp
    LIBS tessaline_engine)
