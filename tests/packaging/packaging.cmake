# The installed programs: `cmake --install` of this build tree into a temporary prefix, the installed programs
# and command-line tools run as real processes, the desktop entries, MIME types, icons, manual pages and udev
# rule checked where a desktop would read them, and the Debian package built from this tree by cpack and read
# with dpkg-deb. One process per group, so that the install and the package are made once each.
if(TARGET Tessaline AND TARGET Spoolwatch AND TARGET tessaline-cli AND TARGET spoolwatch-cli)
    add_executable(test_packaging ${CMAKE_CURRENT_LIST_DIR}/packaging_test.cpp)
    target_link_libraries(test_packaging PRIVATE test_main_core tessaline_version spoolwatch_version spoolwatch_platform
                                                 tessaline_forms Qt5::Gui GTest::gtest)
    tessaline_warnings(test_packaging)
    add_dependencies(test_packaging Tessaline Spoolwatch tessaline-cli spoolwatch-cli)
    target_compile_definitions(test_packaging PRIVATE
        CMAKE_COMMAND_PATH="${CMAKE_COMMAND}"
        CPACK_COMMAND_PATH="${CMAKE_CPACK_COMMAND}"
        PACKAGE_NAME="${TESSALINE_PACKAGE_NAME}"
        PACKAGE_VERSION="${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}"
        UDEV_RULES_DIR="${TESSALINE_UDEV_RULES_DIR}")
    foreach(group Installed Package)
        add_test(NAME packaging.${group} COMMAND test_packaging --gtest_filter=*${group}*)
        set_tests_properties(packaging.${group} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TESSALINE_SOURCE_DIR=${PROJECT_SOURCE_DIR};TESSALINE_BINARY_DIR=${PROJECT_BINARY_DIR}"
            TIMEOUT 900)
    endforeach()
endif()
