# The keep-awake lock against a private bus daemon with a stand-in for logind. A process of its own:
# the system bus connection is made once per process, from DBUS_SYSTEM_BUS_ADDRESS.
tessaline_gtest(test_spoolwatch_keepawake
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/keepawake_test.cpp
    LIBS spoolwatch_platform Qt5::DBus)
