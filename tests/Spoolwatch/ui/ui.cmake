# The host window against virtual printers published through the port entry folder: discovery, two
# jobs streamed at once, the hand-over of files and the closing question.
if(TARGET virtual-printer)
    tessaline_gtest(test_spoolwatch_ui GUI
        SOURCES
            ${CMAKE_CURRENT_LIST_DIR}/frmmain_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/firmwarecheck_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/dialogs_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/virtualprinterprocess.h
            ${PROJECT_SOURCE_DIR}/tests/Spoolwatch/link/streamcheck.h
            ${PROJECT_SOURCE_DIR}/tools/gcodegen/gcodegen.cpp
        LIBS spoolwatch_ui Qt5::Test)
    target_include_directories(test_spoolwatch_ui PRIVATE
        ${PROJECT_SOURCE_DIR}/tools/gcodegen ${PROJECT_SOURCE_DIR}/tests/Spoolwatch/link)
    add_dependencies(test_spoolwatch_ui virtual-printer Spoolwatch)
    target_compile_definitions(test_spoolwatch_ui PRIVATE VIRTUAL_PRINTER_PATH="$<TARGET_FILE:virtual-printer>"
        SPOOLWATCH_PATH="$<TARGET_FILE:Spoolwatch>")
endif()
