# The firmware updater without a port: the firmware file, the monitor's command texts, XMODEM framing.
tessaline_gtest(test_fw_tool
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/firmwarefile_test.cpp
    LIBS spoolwatch_fw_tool ZLIB::ZLIB)
# The flash applet's C source built for the host against the simulated chip of tools/samba-sim.
tessaline_gtest(test_fw_applet
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/applet_test.cpp ${PROJECT_SOURCE_DIR}/Spoolwatch/fw_tool/applet/applet.c
    LIBS samba_chip)
target_compile_definitions(test_fw_applet PRIVATE APPLET_HOST_TEST
    FRESH_APPLET="${SPOOLWATCH_APPLET_FILE}"
    COMMITTED_APPLET="${PROJECT_SOURCE_DIR}/Spoolwatch/fw_tool/applet/bootloader.flash")
# Arbitrary bytes as a firmware file.
tessaline_fuzzer(fuzz_firmwarefile
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/firmwarefile_fuzz.cpp ${PROJECT_SOURCE_DIR}/Spoolwatch/fw_tool/firmwarefile.cpp
    LIBS spoolwatch_fw_tool
    CORPUS ${PROJECT_SOURCE_DIR}/tests/fixtures/firmware)
# SAM_BA against tools/samba-sim (the boot loader on a pseudo-terminal, the applet on the emulated core),
# and spoolwatch-cli flash as a real process, checked with bossac where it is installed. Without the
# simulator (no libunicorn-dev) these tests skip.
if(TARGET samba-sim)
    set(samba_sim_path "$<TARGET_FILE:samba-sim>")
else()
    set(samba_sim_path "")
endif()
tessaline_gtest(test_fw_samba
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/samba_test.cpp ${CMAKE_CURRENT_LIST_DIR}/sambasim.h
    LIBS spoolwatch_fw_tool Qt5::SerialPort)
target_compile_definitions(test_fw_samba PRIVATE SAMBA_SIM_PATH="${samba_sim_path}")
tessaline_gtest(test_fw_cli
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/flashcli_test.cpp ${CMAKE_CURRENT_LIST_DIR}/sambasim.h
    LIBS spoolwatch_fw_tool)
add_dependencies(test_fw_cli spoolwatch-cli fwpack)
target_compile_definitions(test_fw_cli PRIVATE SAMBA_SIM_PATH="${samba_sim_path}"
    SPOOLWATCH_CLI_PATH="$<TARGET_FILE:spoolwatch-cli>" FWPACK_PATH="$<TARGET_FILE:fwpack>")
if(TARGET samba-sim)
    add_dependencies(test_fw_samba samba-sim)
    add_dependencies(test_fw_cli samba-sim)
endif()
# mWORKER's questions against the virtual printer (normal mode) and tools/samba-sim (boot loader).
if(TARGET virtual-printer)
    tessaline_gtest(test_fw_worker
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/worker_test.cpp ${CMAKE_CURRENT_LIST_DIR}/sambasim.h
        LIBS spoolwatch_fw_tool Qt5::SerialPort)
    add_dependencies(test_fw_worker virtual-printer)
    target_compile_definitions(test_fw_worker PRIVATE SAMBA_SIM_PATH="${samba_sim_path}"
        VIRTUAL_PRINTER_PATH="$<TARGET_FILE:virtual-printer>")
    if(TARGET samba-sim)
        add_dependencies(test_fw_worker samba-sim)
    endif()
endif()
