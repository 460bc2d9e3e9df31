# The firmware update from the host window, end to end against the virtual printer and tools/samba-sim.
if(TARGET virtual-printer AND TARGET samba-sim)
    tessaline_gtest(test_spoolwatch_fwupdate GUI
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/firmwareupdate_test.cpp
        LIBS spoolwatch_ui Qt5::Network)
    add_dependencies(test_spoolwatch_fwupdate virtual-printer samba-sim)
    target_compile_definitions(test_spoolwatch_fwupdate PRIVATE VIRTUAL_PRINTER_PATH="$<TARGET_FILE:virtual-printer>"
        SAMBA_SIM_PATH="$<TARGET_FILE:samba-sim>")
endif()
