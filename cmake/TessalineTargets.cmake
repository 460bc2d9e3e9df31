# Helpers shared by every folder's CMakeLists.txt.

# tessaline_library(<name> [LIBS ...])
# One static library per source folder, built from every .cpp/.h/.ui/.qrc in that folder. Its users
# include its headers from the program's root ("geometry/faces.h") and the shared code from the
# repository's root ("common/ini.h"), so that two programs' folders of the same name stay apart.
function(tessaline_library name)
    set(include_roots ${CMAKE_CURRENT_SOURCE_DIR}/.. ${PROJECT_SOURCE_DIR})
    cmake_parse_arguments(ARG "" "" "LIBS;PUBLIC_LIBS" ${ARGN})
    # Every folder library is linked publicly: the layers above see the ones below.
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
        ${CMAKE_CURRENT_SOURCE_DIR}/*.ui ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    list(FILTER sources INCLUDE REGEX "\\.(cpp|ui|qrc)$")
    if(NOT sources)
        # A folder that holds only headers so far.
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${include_roots})
        target_link_libraries(${name} INTERFACE ${ARG_PUBLIC_LIBS} ${ARG_LIBS})
        return()
    endif()
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    add_library(${name} STATIC ${sources} ${headers})
    target_include_directories(${name} PUBLIC ${include_roots})
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} ${ARG_LIBS})
    tessaline_warnings(${name})
endfunction()

# tessaline_gtest(<name> SOURCES ... LIBS ... [GUI])
# A GoogleTest executable registered with CTest. Every test runs with HOME, the XDG folders and TMPDIR
# pointed at a fresh temporary folder (see tests/support/testmain.cpp), so no test touches the user's
# real settings.
function(tessaline_gtest name)
    cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    if(ARG_GUI)
        target_link_libraries(${name} PRIVATE test_main_gui)
    else()
        target_link_libraries(${name} PRIVATE test_main_core)
    endif()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    tessaline_warnings(${name})
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TESSALINE_SOURCE_DIR=${PROJECT_SOURCE_DIR};TESSALINE_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()

# tessaline_fuzzer(<name> SOURCES ... LIBS ... [CORPUS dir])
# A libFuzzer target (clang only); CTest runs it briefly over its seed corpus.
function(tessaline_fuzzer name)
    cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
    if(NOT TESSALINE_FUZZ OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    # libFuzzer writes new inputs into its first corpus folder, so it gets a scratch copy.
    set(corpus_copy ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
    set(seeds "")
    if(ARG_CORPUS)
        set(seeds ${ARG_CORPUS})
    endif()
    add_test(NAME fuzz.${name}
        COMMAND sh -c "mkdir -p '${corpus_copy}' && exec '$<TARGET_FILE:${name}>' -max_total_time=10 -rss_limit_mb=2048 -timeout=10 '${corpus_copy}' ${seeds}")
    set_tests_properties(fuzz.${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# program_version(<program> NUMBER <release> BUILD <build number> STAGE <stage>)
# Generates <program>version.h from cmake/version.h.in and an interface library <program>_version
# (lower case) that gives it to whoever links it: "#include "tessalineversion.h"".
function(program_version program)
    cmake_parse_arguments(VERSION "" "NUMBER;BUILD;STAGE" "" ${ARGN})
    set(VERSION_PROGRAM ${program})
    string(TOLOWER ${program} lower)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/version)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/version.h.in ${dir}/${lower}version.h @ONLY)
    add_library(${lower}_version INTERFACE)
    target_include_directories(${lower}_version INTERFACE ${dir})
endfunction()
