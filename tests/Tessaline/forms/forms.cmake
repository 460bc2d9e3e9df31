tessaline_gtest(test_forms GUI
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/frmmain_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/keyfilter_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/frmmain_scene_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/commandtable_test.cpp
    LIBS tessaline_forms)

# The settings forms and slicing from the window; the statistics are checked against the command line's.
tessaline_gtest(test_settingsforms GUI
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/settingsforms_test.cpp
        ${PROJECT_SOURCE_DIR}/Tessaline/cli/gcodestats.cpp
    LIBS tessaline_forms)

# Real processes of the slicer; needs the program built.
tessaline_gtest(test_handover GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/handover_test.cpp
    LIBS tessaline_forms)
add_dependencies(test_handover Tessaline)

# Pixels from a real X server.
add_executable(test_forms_x11 ${CMAKE_CURRENT_LIST_DIR}/x11_test.cpp ${CMAKE_CURRENT_LIST_DIR}/view_x11_test.cpp)
target_link_libraries(test_forms_x11 PRIVATE test_main_gui tessaline_forms GTest::gtest)
tessaline_warnings(test_forms_x11)
add_test(NAME x11.MainWindowOnX11
    COMMAND xvfb-run -a -s "-screen 0 1600x1000x24" $<TARGET_FILE:test_forms_x11>)
set_tests_properties(x11.MainWindowOnX11 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=xcb")

# The G-code files of the window, the print hand-over to a stand-in host and the export of meshes.
tessaline_gtest(test_gcodefiles GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/frmmain_gcode_test.cpp
    LIBS tessaline_forms)

# The updater against a local HTTP server of the test's own: versions, packages, stalls and the window.
tessaline_gtest(test_updater GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/updater_test.cpp
    LIBS tessaline_forms)
