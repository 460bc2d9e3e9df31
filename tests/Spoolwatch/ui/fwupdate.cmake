# The firmware update from the host window, end to end against the virtual printer and tools/samba-sim
# (skipped without the simulator).
if(TARGET virtual-printer)
    tessaline_gtest(test_spoolwatch_fwupdate GUI
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/firmwareupdate_test.cpp
        LIBS spoolwatch_ui Qt5::Network)
    add_dependencies(test_spoolwatch_fwupdate virtual-printer)
    set(samba_sim_path "")
    if(TARGET samba-sim)
        add_dependencies(test_spoolwatch_fwupdate samba-sim)
        set(samba_sim_path "$<TARGET_FILE:samba-sim>")
    endif()
    target_compile_definitions(test_spoolwatch_fwupdate PRIVATE VIRTUAL_PRINTER_PATH="$<TARGET_FILE:virtual-printer>"
        SAMBA_SIM_PATH="${samba_sim_path}")
endif()
