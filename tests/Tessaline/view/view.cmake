# The view's headless models: camera, picking maths, the G-code preview (on G-code the engine slices)
# and its vertex encoding.
tessaline_gtest(test_view
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/camera_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/picking_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/gcodepreview_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/gcodevertices_test.cpp
    LIBS tessaline_view tessaline_engine meshgen_shapes)

tessaline_fuzzer(fuzz_gcodepreview SOURCES ${CMAKE_CURRENT_LIST_DIR}/gcodepreview_fuzz.cpp LIBS tessaline_view
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/gcode/text)
