# Where `cmake --install` and the package put the programs and their desktop integration. Included by the
# top-level CMakeLists.txt after every program's folder, so that the targets exist.
#
#   bin/                      Tessaline, Spoolwatch, tessaline-cli, spoolwatch-cli (side by side: the
#                             slicer's Print starts the host it finds beside itself)
#   share/applications/       tessaline.desktop, tessaline.spoolwatch.desktop (the host's id sorts after
#                             the slicer's: without a user's choice, desktops open G-code with the first
#                             entry of the sorted cache, and that should be the slicer's preview)
#   share/mime/packages/      tessaline.xml (.tsprj, .tssp, .zcode; .gco as G-code)
#   share/icons/hicolor/      tessaline.png, spoolwatch.png in every size icongen draws
#   share/man/man1/           the four programs' manual pages (gzip)
#   share/doc/<package>/      README.md, examples/ (the sample projects)
#   lib/udev/rules.d/         the printers' serial ports for the user at the seat
#
# Nothing else is needed at run time: images, shaders, meshes and sample projects are compiled in.

include(GNUInstallDirs)

set(TESSALINE_PACKAGE_NAME tessaline-suite)
set(TESSALINE_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${TESSALINE_PACKAGE_NAME})
# udev reads /usr/lib (or /lib) and /etc, not /usr/local: an install below /usr/local can point this at
# /etc/udev/rules.d.
set(TESSALINE_UDEV_RULES_DIR lib/udev/rules.d CACHE PATH "Where the printers' udev rule is installed")

set(packaging ${PROJECT_SOURCE_DIR}/packaging)

# Manual pages are installed compressed as Debian's policy asks (gzip -9, no time stamp, so that two builds
# make the same package); they are compressed when the build is configured and again whenever a page changes.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(man_pages ${CMAKE_CURRENT_BINARY_DIR}/man)
file(MAKE_DIRECTORY ${man_pages})
foreach(program Tessaline Spoolwatch tessaline-cli spoolwatch-cli)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
        set(page ${packaging}/man/${program}.1)
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${page})
        execute_process(COMMAND ${GZIP_PROGRAM} -9nc ${page} OUTPUT_FILE ${man_pages}/${program}.1.gz
                        RESULT_VARIABLE gzip_result)
        if(NOT gzip_result EQUAL 0)
            message(FATAL_ERROR "Cannot compress the manual page ${page}")
        endif()
        install(FILES ${man_pages}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
endforeach()

install(FILES ${packaging}/desktop/tessaline.desktop ${packaging}/desktop/tessaline.spoolwatch.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${packaging}/mime/tessaline.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/mime/packages)
install(DIRECTORY ${packaging}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons)
install(FILES ${packaging}/udev/70-tessaline-printers.rules DESTINATION ${TESSALINE_UDEV_RULES_DIR})

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${TESSALINE_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/Tessaline/res/welcome.tsprj ${PROJECT_SOURCE_DIR}/Tessaline/res/testobj.tsprj
              ${PROJECT_SOURCE_DIR}/Tessaline/res/tetris.tsprj
        DESTINATION ${TESSALINE_DOCDIR}/examples)
