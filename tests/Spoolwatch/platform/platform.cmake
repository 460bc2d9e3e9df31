# The host's port provider: USB identities, instance identifiers, and printers following the entry folder.
tessaline_gtest(test_spoolwatch_platform
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ports_test.cpp
    LIBS spoolwatch_platform)
