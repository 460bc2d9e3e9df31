tessaline_gtest(test_common
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/takeline_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/duration_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ini_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/perfdata_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/files_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/strnum_test.cpp
    LIBS common)

tessaline_gtest(test_common_gui GUI
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/singleinstance_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/windowgeometry_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/exceptionreport_test.cpp
    LIBS common_gui Qt5::Test)
