# The view's headless models: camera, picking maths, the G-code preview (on G-code the engine slices)
# and its vertex encoding.
tessaline_gtest(test_view
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/camera_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/picking_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/gcodepreview_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/gcodevertices_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/gcodelists_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/gcodecorners_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/animation_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/mousemodes_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/flightclip_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/btnsys_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/slicedgcode.cpp
        ${CMAKE_CURRENT_LIST_DIR}/slicedgcode.h
    LIBS tessaline_view tessaline_engine meshgen_shapes)

tessaline_fuzzer(fuzz_gcodepreview SOURCES ${CMAKE_CURRENT_LIST_DIR}/gcodepreview_fuzz.cpp LIBS tessaline_view
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/gcode/text)

# The GL widget on a real X server with Mesa: shaders, out-of-volume pixels, picking.
add_executable(test_view_gl ${CMAKE_CURRENT_LIST_DIR}/glviewer_test.cpp ${CMAKE_CURRENT_LIST_DIR}/glviewermouse_test.cpp)
target_link_libraries(test_view_gl PRIVATE test_main_gui tessaline_view GTest::gtest)
tessaline_warnings(test_view_gl)
add_test(NAME x11.ViewOnX11 COMMAND xvfb-run -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:test_view_gl>)
set_tests_properties(x11.ViewOnX11 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=xcb")
